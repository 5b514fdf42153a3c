#include "lineitems.h"

#include "cirvologging.h"

LineItems::LineItems(const QString& line) : m_line(line) {}

QString LineItems::withoutComment(const QString& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'\'' || c == u'"')
            quoted = !quoted;
        else if (c == u'#' && !quoted)
            return line.left(i);
    }
    return line;
}

bool LineItems::atEnd() const
{
    for (qsizetype i = m_pos; i < m_line.size(); ++i)
        if (!m_line.at(i).isSpace())
            return false;
    return true;
}

QString LineItems::next()
{
    m_strayQuote = false;
    const qsizetype n = m_line.size();
    while (m_pos < n && m_line.at(m_pos).isSpace())
        ++m_pos;
    if (m_pos >= n)
        return {};

    if (m_line.at(m_pos) == u'"') {
        const qsizetype close = m_line.indexOf(u'"', m_pos + 1);
        if (close < 0) {
            qCDebug(lcConfig).noquote()
                << QStringLiteral(
                       "In a line [%1] item is started from quote but not ended by quote")
                       .arg(m_line);
            const QString item = m_line.mid(m_pos + 1);
            m_pos = n;
            return item;
        }
        const QString item = m_line.mid(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        return item;
    }

    const qsizetype start = m_pos;
    while (m_pos < n && !m_line.at(m_pos).isSpace())
        ++m_pos;
    const QString item = m_line.mid(start, m_pos - start);
    m_strayQuote = item.endsWith(u'"');
    return item;
}
