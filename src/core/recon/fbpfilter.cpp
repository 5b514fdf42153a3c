#include "fbpfilter.h"

#include <cmath>

namespace
{

constexpr double Pi = 3.141592653589793;

struct NamedWindow {
    FbpFilter::Window window;
    const char* name;
};

constexpr NamedWindow Windows[] = {
    {FbpFilter::Window::Ramp, "ramp"},     {FbpFilter::Window::SheppLogan, "shepp-logan"},
    {FbpFilter::Window::Cosine, "cosine"}, {FbpFilter::Window::Hamming, "hamming"},
    {FbpFilter::Window::Hann, "hann"},
};

} // namespace

QString FbpFilter::windowName(Window window)
{
    for (const NamedWindow& w : Windows)
        if (w.window == window)
            return QString::fromLatin1(w.name);
    return {};
}

std::optional<FbpFilter::Window> FbpFilter::windowFromName(const QString& name)
{
    const QString wanted = name.trimmed();
    for (const NamedWindow& w : Windows)
        if (wanted.compare(QLatin1String(w.name), Qt::CaseInsensitive) == 0)
            return w.window;
    return std::nullopt;
}

QStringList FbpFilter::windowNames()
{
    QStringList names;
    for (const NamedWindow& w : Windows)
        names << QString::fromLatin1(w.name);
    return names;
}

double FbpFilter::gain(Window window, double f)
{
    switch (window) {
    case Window::Ramp:
        return 1.0;
    case Window::SheppLogan:
        return f == 0.0 ? 1.0 : std::sin(Pi * f) / (Pi * f);
    case Window::Cosine:
        return std::cos(Pi * f);
    case Window::Hamming:
        return 0.54 + 0.46 * std::cos(2 * Pi * f);
    case Window::Hann:
        return 0.5 * (1 + std::cos(2 * Pi * f));
    }
    return 1.0;
}

int FbpFilter::paddedLength(int n)
{
    if (n < 1 || n > MaxPaddedLength / 2)
        return 0;
    int length = 1;
    while (length < 2 * n)
        length *= 2;
    return length;
}
