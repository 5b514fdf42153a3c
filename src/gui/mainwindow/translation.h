#pragma once

class QCoreApplication;
class QTranslator;

// Loads the embedded Japanese catalogue into `translator` and installs it; a failed load is
// ignored and the translator is installed all the same. Returns whether the catalogue loaded.
bool installTranslation(QCoreApplication& app, QTranslator& translator);

// Loads Qt's own Japanese catalogue (the file dialogs' texts) from Qt's translations, where the
// system has it, and installs it. Returns whether it loaded.
bool installQtTranslation(QCoreApplication& app, QTranslator& translator);
