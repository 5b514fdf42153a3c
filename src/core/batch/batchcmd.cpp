#include "batchcmd.h"

#include "cirvologging.h"
#include "config/lineitems.h"

#include <utility>

BatchCmd BatchCmd::parse(const QString& text)
{
    BatchCmd result;
    result.line = text;
    LineItems items(text);
    bool first = true;
    // Once per line: each message holds the whole line, so one per item would make a long line
    // of stray quotes cost its length squared.
    bool strayReported = false;
    while (!items.atEnd()) {
        const QString item = items.next();
        if (items.lastEndedByStrayQuote() && !std::exchange(strayReported, true))
            qCDebug(lcBatch).noquote()
                << QStringLiteral(
                       "In a line [%1] item is started from not quote but ended by quote")
                       .arg(text);
        if (first) {
            result.cmd = item;
            first = false;
        } else if (!item.isEmpty()) {
            result.args.append(item);
        }
    }
    return result;
}

int BatchCmd::intArg(qsizetype i) const
{
    return textArg(i).toInt();
}

bool BatchCmd::flagArg(qsizetype i) const
{
    return intArg(i) == 1;
}

double BatchCmd::realArg(qsizetype i) const
{
    return textArg(i).toDouble();
}

QString BatchCmd::textArg(qsizetype i) const
{
    return i < args.size() ? args.at(i) : QString();
}
