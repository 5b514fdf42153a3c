#include "corfinder.h"

#include "cirvologging.h"
#include "fbpcore.h"
#include "hsgm.h"
#include "imageio/imgdatas.h"
#include "sgmwindow.h"
#include "sinogrambuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace
{

using Matrix3 = std::array<std::array<double, 3>, 3>;
using Vector3 = std::array<double, 3>;

double determinant(const Matrix3& m)
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The first unknown of m x = v by Cramer's rule.
std::optional<double> firstUnknown(const Matrix3& m, const Vector3& v)
{
    const double d = determinant(m);
    if (!(std::abs(d) > 0.0))
        return std::nullopt;
    Matrix3 replaced = m;
    for (int i = 0; i < 3; ++i)
        replaced[size_t(i)][0] = v[size_t(i)];
    const double x = determinant(replaced) / d;
    return std::isfinite(x) ? std::optional<double>(x) : std::nullopt;
}

// The centre of mass of `count` samples in detector samples; nothing when they absorb nothing.
std::optional<double> centreOfMass(const double* line, int count)
{
    double mass = 0.0;
    double moment = 0.0;
    for (int j = 0; j < count; ++j) {
        mass += line[j];
        moment += j * line[j];
    }
    if (!(mass > 0.0))
        return std::nullopt;
    return moment / mass;
}

// The columns from the first to the last whose mean reaches 1 % of the largest mean: the whole
// object in every row. The log of noisy counts is biased upwards where nothing absorbs, which
// would pull each centre of mass towards the empty part of the line.
std::pair<int, int> objectColumns(const std::vector<double>& absorption, int width, int rows)
{
    std::vector<double> mean(size_t(width), 0.0);
    for (int r = 0; r < rows; ++r)
        for (int j = 0; j < width; ++j)
            mean[size_t(j)] += absorption[size_t(r) * size_t(width) + size_t(j)] / rows;
    const double threshold = 0.01 * *std::max_element(mean.begin(), mean.end());
    int first = 0;
    while (first < width - 1 && !(mean[size_t(first)] >= threshold))
        ++first;
    int last = width - 1;
    while (last > first && !(mean[size_t(last)] >= threshold))
        --last;
    return {first, last};
}

} // namespace

std::optional<double> CorFinder::find(const std::vector<double>& absorption, int width, int rows)
{
    std::vector<double> angles(size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r)
        angles[size_t(r)] = std::numbers::pi * r / rows;
    return find(absorption, width, angles);
}

std::optional<double> CorFinder::find(const std::vector<double>& absorption, int width,
                                      const std::vector<double>& angles)
{
    const int rows = int(angles.size());
    if (width < 2 || rows < 3 || absorption.size() != size_t(width) * size_t(rows)) {
        qCDebug(lcRecon) << "cannot find the axis in a sinogram of" << absorption.size()
                         << "samples as" << rows << "rows of" << width;
        return std::nullopt;
    }
    if (!std::all_of(absorption.begin(), absorption.end(),
                     [](double v) { return std::isfinite(v); })) {
        qCDebug(lcRecon) << "cannot find the axis: the sinogram holds samples that are not finite";
        return std::nullopt;
    }

    // Normal equations of centre(theta) = axis + A cos(theta) + B sin(theta).
    Matrix3 normal{};
    Vector3 right{};
    int used = 0;
    const auto [first, last] = objectColumns(absorption, width, rows);
    for (int r = 0; r < rows; ++r) {
        const std::optional<double> centre = centreOfMass(
            absorption.data() + size_t(r) * size_t(width) + size_t(first), last - first + 1);
        if (!centre)
            continue;
        const double theta = angles[size_t(r)];
        const Vector3 basis{1.0, std::cos(theta), std::sin(theta)};
        for (size_t i = 0; i < 3; ++i) {
            for (size_t k = 0; k < 3; ++k)
                normal[i][k] += basis[i] * basis[k];
            right[i] += basis[i] * (first + *centre);
        }
        ++used;
    }
    const std::optional<double> axis = used >= 3 ? firstUnknown(normal, right) : std::nullopt;
    if (!axis)
        qCDebug(lcRecon) << "cannot find the axis:" << used << "of" << rows
                         << "rows absorb anything, too few for a fit";
    return axis;
}

std::optional<double> CorFinder::find(const HSgm& sinogram)
{
    return find(sinogram.absorption, sinogram.width, sinogram.rows);
}

std::optional<double> CorFinder::findInSet(const ImageSet& set, const SinogramRequest& request,
                                           const QList<int>& slices, double rangeDeg)
{
    const int images = set.count();
    const int length = SinogramBuilder::lineLength(set, request.rotAxIsV);
    if (images == 0 || slices.isEmpty() || length < 4)
        return std::nullopt;
    // A whole-sample centre resamples without interpolating.
    SinogramRequest r = request;
    r.cor = length / 2;
    const SgmWindow window = SgmWindow::of(r.rotAxIsV, length, r.cor);

    constexpr int MostSlices = 9;
    const int picks = std::min<int>(MostSlices, int(slices.size()));
    std::vector<double> sum;
    HSgm sgm;
    for (int k = 0; k < picks; ++k) {
        r.slice = slices.at(qsizetype(k) * (slices.size() - 1) / std::max(picks - 1, 1));
        if (!SinogramBuilder::build(set, r, sgm) || !sgm.hasData())
            return std::nullopt;
        if (sum.empty())
            sum.assign(sgm.absorption.size(), 0.0);
        for (size_t i = 0; i < sum.size(); ++i)
            sum[i] += sgm.absorption[i];
    }

    const double delta = FbpAngles::delta(rangeDeg, images);
    const int start = SinogramBuilder::startImage(r, images);
    std::vector<double> angles(size_t(sgm.rows));
    for (int row = 0; row < sgm.rows; ++row)
        angles[size_t(row)] = double((qint64(start) + row) % images) * delta;
    const std::optional<double> axis = find(sum, sgm.width, angles);
    if (!axis)
        return std::nullopt;
    return r.cor + *axis + 1 - window.half;
}
