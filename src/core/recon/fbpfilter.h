#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// How the reconstruction filters a projection: the ramp times a window that lowers the high
// frequencies (where the noise is), and optionally zero padding to twice the width so the
// circular convolution of the transform neither wraps nor loses the mean. The default (ramp, no
// padding) is the filter every earlier reconstruction used, bit for bit.
struct FbpFilter {
    enum class Window { Ramp, SheppLogan, Cosine, Hamming, Hann };

    Window window = Window::Ramp;
    bool pad = false;

    bool operator==(const FbpFilter&) const = default;
    bool isDefault() const { return *this == FbpFilter{}; }

    // "ramp", "shepp-logan", "cosine", "hamming", "hann", in the order of Window.
    static QString windowName(Window window);
    // The window of a name, any case, surrounding blanks ignored; nothing for an unknown name.
    static std::optional<Window> windowFromName(const QString& name);
    static QStringList windowNames();

    // The window's gain at f cycles per sample, |f| <= 0.5, as scikit-image's iradon weighs
    // its filters: 1 for the ramp, sin(pi f) / (pi f), cos(pi f), 0.54 + 0.46 cos(2 pi f) and
    // 0.5 (1 + cos(2 pi f)).
    static double gain(Window window, double f);

    // Padded transforms hold this many samples at most: lines of 2^25 samples are far past any
    // detector, and their spectra already take 512 MiB per projection.
    static constexpr int MaxPaddedLength = 1 << 26;
    // The padded transform length for n samples: the smallest power of two >= 2n; 0 when n < 1
    // or that would exceed MaxPaddedLength.
    static int paddedLength(int n);
};
