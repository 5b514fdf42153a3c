#include "sinogrambuilder.h"

#include "cirvologging.h"
#include "imageio/imgdatas.h"

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace SinogramBuilder
{

int startImage(const SinogramRequest& request, int images)
{
    if (!request.usePartial)
        return 0;
    const int s = request.startImageNo;
    return s < 0 || s >= images ? 0 : s;
}

int rowCount(const SinogramRequest& request, int images)
{
    return std::abs(request.usePartial ? request.usingImages : images);
}

int lineLength(const ImageSet& set, bool rotAxIsV)
{
    return rotAxIsV ? set.width : set.height;
}

void resample(const double* line, const SgmWindow& window, double* out)
{
    // interpolate() between samples i and i + 1, whose distance is exactly 1: its division by
    // that distance changes no bit and is left out.
    for (int k = 1 - window.half, j = 0; k <= window.half - 1; ++k, ++j) {
        const int i = window.corInt + k;
        const double x = i + window.corFrac;
        out[j] = (x - i) * (line[i + 1] - line[i]) + line[i];
    }
}

namespace
{

constexpr qint64 MaxSamples = qint64(1) << 28;

// Reads line `slice` of an image, or fills `value` when there is no image.
void readLine(const ImgData* img, bool rotAxIsV, int slice, std::vector<double>& line, double value)
{
    if (!img) {
        line.assign(line.size(), value);
        return;
    }
    if (rotAxIsV)
        img->row(slice, line.data());
    else
        img->column(slice, line.data());
}

// I0 - BG at each sample, 1 where it is not positive: the same for every row.
std::vector<double> openBeam(const ImgData* i0Image, const SinogramRequest& request,
                             const SgmWindow& window, const std::vector<double>& bg,
                             std::vector<double>& line)
{
    std::vector<double> open(static_cast<size_t>(window.width));
    readLine(i0Image, request.rotAxIsV, request.slice, line, 1.0);
    resample(line.data(), window, open.data());
    for (size_t j = 0; j < open.size(); ++j) {
        open[j] -= bg[j];
        if (!(open[j] > 0))
            open[j] = 1.0;
    }
    return open;
}

} // namespace

bool build(const ImageSet& set, const SinogramRequest& request, HSgm& out)
{
    const int length = lineLength(set, request.rotAxIsV);
    const double cor = request.cor;
    if (!(std::floor(cor) > 0) || !(std::ceil(cor) < length))
        return false;
    const int lines = request.rotAxIsV ? set.height : set.width;
    if (request.slice < 0 || request.slice >= lines)
        return false;
    // An I0 or BG image of another size would be read past its lines, or misaligned.
    for (const auto& [img, name] : {std::pair{set.i0.get(), "I0"}, std::pair{set.bg.get(), "BG"}})
        if (img && (img->width != set.width || img->height != set.height)) {
            qCDebug(lcRecon).noquote()
                << QStringLiteral(
                       "%1 image of %2 x %3 pixels does not match the images of %4 x %5 :")
                       .arg(QLatin1String(name))
                       .arg(img->width)
                       .arg(img->height)
                       .arg(set.width)
                       .arg(set.height)
                << QDebug::toString(img->fileName);
            return false;
        }

    const SgmWindow window = SgmWindow::of(request.rotAxIsV, length, cor);
    const int n = set.count();
    const int rows = rowCount(request, n);
    if (window.width < 1 || n == 0) {
        out.slice = request.slice;
        out.resize(0, 0);
        return true;
    }
    // A partial set may name more images than exist (they wrap round), but not without bound.
    if (qint64(window.width) * rows > MaxSamples) {
        qCDebug(lcRecon).noquote() << QStringLiteral("Sinogram of %1 x %2 samples is too large")
                                          .arg(window.width)
                                          .arg(rows);
        return false;
    }
    out.slice = request.slice;
    out.resize(window.width, rows);

    std::vector<double> line(static_cast<size_t>(length));
    std::vector<double> bg(static_cast<size_t>(window.width));
    readLine(set.bg.get(), request.rotAxIsV, request.slice, line, 0.0);
    resample(line.data(), window, bg.data());
    const std::vector<double> open = openBeam(set.i0.get(), request, window, bg, line);

    const int s = startImage(request, n);
    for (int r = 0; r < rows; ++r) {
        readLine(set.images->at(size_t((qint64(s) + r) % n)).get(), request.rotAxIsV, request.slice,
                 line, 0.0);
        double* raw = out.raw.data() + size_t(r) * size_t(window.width);
        double* absorption = out.absorption.data() + size_t(r) * size_t(window.width);
        resample(line.data(), window, raw);
        for (int j = 0; j < window.width; ++j) {
            double b = raw[j] - bg[size_t(j)];
            if (!(b > 0))
                b = 1.0;
            absorption[j] = std::log(open[size_t(j)] / b);
        }
    }
    return true;
}

} // namespace SinogramBuilder
