#pragma once

#include <QString>

// Blanks for aligning the columns of text files. The source is a fixed run of 101 blanks, so
// no request yields more.

// `n` blanks for 0 <= n <= 100; any other `n` gives all 101.
QString blanks(int n);

// `text` unchanged when it has at least `width` characters, else followed by blanks up to
// `width`, but never by more than 101.
QString padRight(const QString& text, int width);
