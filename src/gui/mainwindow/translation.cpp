#include "translation.h"

#include <QCoreApplication>
#include <QTranslator>

bool installTranslation(QCoreApplication& app, QTranslator& translator)
{
    const bool loaded =
        translator.load(QStringLiteral(":Cirvo_ja_JP"), QCoreApplication::applicationDirPath());
    app.installTranslator(&translator);
    return loaded;
}
