#pragma once

#include <QString>

// Splits a line into items: a word up to white space, or a double-quoted text without its
// quotes. The configuration reader, the batch line parser and the ITEX comment reader share it.
class LineItems
{
public:
    explicit LineItems(const QString& line);

    // The line cut at the first '#' outside quotes; apostrophes and double quotes toggle one
    // common flag (configuration and batch files).
    static QString withoutComment(const QString& line);

    // True when only white space is left.
    bool atEnd() const;
    // The next item; empty when only white space is left. An unclosed quote takes the rest of
    // the line and writes a debug message naming the line.
    QString next();
    // True when the item just taken was a bare word that ends with a double quote.
    bool lastEndedByStrayQuote() const { return m_strayQuote; }
    // The text after the last item taken, untrimmed.
    QString rest() const { return m_line.mid(m_pos); }

private:
    QString m_line;
    qsizetype m_pos = 0;
    bool m_strayQuote = false;
};
