#pragma once

class QCoreApplication;
class QTranslator;

// Loads the embedded Japanese catalogue into `translator` and installs it; a failed load is
// ignored and the translator is installed all the same. Returns whether the catalogue loaded.
bool installTranslation(QCoreApplication& app, QTranslator& translator);
