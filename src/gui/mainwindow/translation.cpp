#include "translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installTranslation(QCoreApplication& app, QTranslator& translator)
{
    const bool loaded =
        translator.load(QStringLiteral(":Cirvo_ja_JP"), QCoreApplication::applicationDirPath());
    app.installTranslator(&translator);
    return loaded;
}

bool installQtTranslation(QCoreApplication& app, QTranslator& translator)
{
    const bool loaded = translator.load(QStringLiteral("qtbase_ja"),
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded)
        app.installTranslator(&translator);
    return loaded;
}
