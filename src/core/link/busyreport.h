#pragma once

#include <QByteArray>
#include <QString>

// A report of the companion program, "ISBUSY flag [command]".
struct BusyReport {
    // False for any line that is no ISBUSY report; such lines are ignored.
    bool isReport = false;
    // The line has a flag (at least two parts); only then does the busy state change.
    bool hasFlag = false;
    bool busy = false;
    // The finished command in upper case; empty when busy or when none was named.
    QString command;

    static BusyReport parse(const QByteArray& line);
};
