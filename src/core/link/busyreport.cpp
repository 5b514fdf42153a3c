#include "busyreport.h"

#include <QStringList>

BusyReport BusyReport::parse(const QByteArray& line)
{
    const QStringList parts = QString::fromUtf8(line).simplified().split(u' ', Qt::SkipEmptyParts);
    BusyReport report;
    if (parts.isEmpty() || parts.first().toUpper() != QLatin1String("ISBUSY"))
        return report;
    report.isReport = true;
    report.hasFlag = parts.size() >= 2;
    // toInt() gives 0 for a flag that is no number: not busy.
    report.busy = report.hasFlag && parts.at(1).toInt() == 1;
    if (!report.busy && parts.size() >= 3)
        report.command = parts.at(2).toUpper();
    return report;
}
