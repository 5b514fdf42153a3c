#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// One parsed command line: the whole line, the command word and its arguments.
struct BatchCmd {
    QString line;
    QString cmd;
    QStringList args;

    static BatchCmd parse(const QString& text);

    // Argument conversions of the command set; a missing or malformed item reads as 0, false
    // or the empty text.
    int intArg(qsizetype i) const;
    bool flagArg(qsizetype i) const;
    double realArg(qsizetype i) const;
    QString textArg(qsizetype i) const;
};

Q_DECLARE_METATYPE(BatchCmd)
