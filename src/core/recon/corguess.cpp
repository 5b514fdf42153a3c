#include "corguess.h"

#include "imageio/imgdatas.h"

#include <cmath>
#include <limits>

namespace CorGuess
{

std::optional<int> halfTurnImages(double rangeDeg, int images)
{
    if (rangeDeg == 0 || !std::isfinite(rangeDeg))
        return std::nullopt;
    const double n = 180.0 / rangeDeg * images;
    // Casting a value outside int would be undefined.
    if (!(n > double(std::numeric_limits<int>::min()) - 1.0 &&
          n < double(std::numeric_limits<int>::max()) + 1.0))
        return std::nullopt;
    return int(n);
}

std::optional<int> partnerImage(int start, int images, double rangeDeg)
{
    const std::optional<int> half = halfTurnImages(rangeDeg, images);
    if (!half || images <= 0)
        return std::nullopt;
    qint64 g = qint64(start) + *half;
    // A full half turn of images ends one short of the set.
    if (g == images)
        g = images - 1;
    g %= images;
    return int(g < 0 ? g + images : g);
}

std::optional<LinePair> pickLines(const ImageSet& set, const SinogramRequest& request,
                                  double rangeDeg)
{
    const int n = set.count();
    const int lines = request.rotAxIsV ? set.height : set.width;
    if (n == 0 || request.slice < 0 || request.slice >= lines)
        return std::nullopt;
    const int s = SinogramBuilder::startImage(request, n);
    const std::optional<int> g = partnerImage(s, n, rangeDeg);
    if (!g)
        return std::nullopt;
    const ImgData* first = set.images->at(size_t(s)).get();
    const ImgData* second = set.images->at(size_t(*g)).get();
    if (!first || !second)
        return std::nullopt;

    const size_t length = size_t(SinogramBuilder::lineLength(set, request.rotAxIsV));
    LinePair pair{std::vector<double>(length), std::vector<double>(length)};
    if (request.rotAxIsV) {
        first->row(request.slice, pair.a.data());
        second->row(request.slice, pair.b.data());
    } else {
        first->column(request.slice, pair.a.data());
        second->column(request.slice, pair.b.data());
    }
    return pair;
}

double sampleAt(const std::vector<double>& line, double x)
{
    const int length = int(line.size());
    // Beyond one sample outside the line both neighbours are 0.
    if (!(x >= -1.0 && x < length))
        return 0.0;
    const int j = int(std::floor(x));
    const double y0 = j >= 0 ? line[size_t(j)] : 0.0;
    const double y1 = j + 1 < length ? line[size_t(j + 1)] : 0.0;
    return SinogramBuilder::interpolate(j, y0, j + 1, y1, x);
}

double score(const std::vector<double>& a, const std::vector<double>& b, double centre,
             double param)
{
    const int length = int(a.size());
    const double limit = param * length;
    double sum = 0;
    for (int i = 0; i < 2 * length; ++i) {
        if (!(std::abs(i - length) < limit))
            continue;
        const double x = centre - length + i;
        sum += sampleAt(a, x) * sampleAt(b, centre + length - 1 - i);
    }
    return sum;
}

double guess(const std::vector<double>& a, const std::vector<double>& b, double currentCor,
             double param)
{
    // Each rescan raises the best score, so the climb ends; the cap only bounds its length.
    constexpr int MaxScans = 10000;
    double l = std::isfinite(currentCor) ? currentCor : 0.0;
    // Only centres within half a sample of the line can score above 0; far off every step
    // would also vanish in rounding.
    if (!(std::abs(l) < 1e10))
        return l;
    double best = 0;
    for (int scan = 0; scan < MaxScans; ++scan) {
        const double end = l + 10;
        double bestPos = l;
        bool raised = false;
        for (double o = l - 10; o < end; o += 1) {
            const double v = score(a, b, o, param);
            if (v > best) {
                best = v;
                bestPos = o;
                raised = true;
            }
        }
        if (!raised)
            break;
        l = bestPos;
    }

    double u = l;
    const double end = l + 2;
    for (double t = l - 2; t < end; t += 0.1) {
        const double v = score(a, b, t, param);
        if (v > best) {
            best = v;
            u = t;
        }
    }
    return u;
}

std::optional<double> guess(const ImageSet& set, const SinogramRequest& request, double rangeDeg,
                            double param)
{
    const std::optional<LinePair> lines = pickLines(set, request, rangeDeg);
    if (!lines)
        return std::nullopt;
    return guess(lines->a, lines->b, request.cor, param);
}

} // namespace CorGuess
