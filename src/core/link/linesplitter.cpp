#include "linesplitter.h"

#include <utility>

LineSplitter::LineSplitter(qsizetype maxLineBytes) : m_max(maxLineBytes) {}

QList<QByteArray> LineSplitter::append(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline;
        if (!m_skipping) {
            if (m_buffer.size() + (end - start) > m_max) {
                m_buffer.clear();
                m_skipping = true;
                ++m_dropped;
            } else {
                m_buffer.append(bytes.constData() + start, end - start);
            }
        }
        if (newline < 0)
            break;
        if (!m_skipping)
            lines.append(std::exchange(m_buffer, {}));
        m_skipping = false;
        start = newline + 1;
    }
    return lines;
}

void LineSplitter::clear()
{
    m_buffer.clear();
    m_skipping = false;
}

int LineSplitter::takeDroppedLines()
{
    return std::exchange(m_dropped, 0);
}
