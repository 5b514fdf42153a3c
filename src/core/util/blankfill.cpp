#include "blankfill.h"

namespace
{

constexpr int BlankSourceLength = 101;

} // namespace

QString blanks(int n)
{
    if (n < 0 || n >= BlankSourceLength)
        n = BlankSourceLength;
    return QString(n, QLatin1Char(' '));
}

QString padRight(const QString& text, int width)
{
    if (text.size() >= width)
        return text;
    // The gap is positive here, and blanks() caps it at the source length.
    return text + blanks(width - static_cast<int>(text.size()));
}
