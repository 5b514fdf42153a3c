#pragma once

#include <QByteArray>
#include <QList>

// Splits a byte stream into newline-ended lines. A peer that never sends a newline cannot grow
// the buffer without end: past `maxLineBytes` the partial line is dropped (counted by
// takeDroppedLines()) and the bytes up to the next newline are skipped. A line is dropped the
// same way however its bytes were cut into appends.
class LineSplitter
{
public:
    static constexpr qsizetype DefaultMaxLineBytes = 64 * 1024;

    explicit LineSplitter(qsizetype maxLineBytes = DefaultMaxLineBytes);

    // The complete lines in `bytes` and what came before them, without their newlines (a
    // carriage return before the newline stays); empty lines included.
    QList<QByteArray> append(const QByteArray& bytes);
    void clear();
    qsizetype pendingBytes() const { return m_buffer.size(); }
    qsizetype maxLineBytes() const { return m_max; }
    // How many over-long lines append() dropped since the last call.
    int takeDroppedLines();

private:
    qsizetype m_max;
    QByteArray m_buffer;
    bool m_skipping = false;
    int m_dropped = 0;
};
