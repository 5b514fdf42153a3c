#include "ringfilter.h"

#include "hsgm.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace
{

using Method = RingOptions::Method;

struct MethodInfo {
    Method method;
    const char* name;
    const char* meaning;
    double defaultStrength;
    double minStrength;
    double maxStrength;
    bool whole;
};

// Vo et al. sort with 21 columns on detectors of 2000 and more. The median also flattens the
// object's own structure where it changes sharply across the sorted columns, the more the wider
// the window: on phantoms 256 to 512 columns wide 21 adds 5-14 % to the error of a clean slice,
// 9 adds 1-2 % and still removes stripes up to 4 columns wide. A threshold of 5 finds dead
// columns and those a few per cent off and takes at most one column of a clean phantom, where 3
// takes 6-8 (cirvo-bench-rings).
constexpr MethodInfo Methods[] = {
    {Method::Off, "off", "", 0, 0, 0, false},
    {Method::Sort, "sort", "median window in columns", 9, 3, 255, true},
    {Method::Dead, "dead", "threshold in deviations of the neighbourhood", 5, 1.5, 100, false},
    {Method::Auto, "auto", "median window of the sorting step in columns", 9, 3, 255, true},
};

// A bad column is judged against this many columns around it; wider than a cluster of bad
// columns, narrow enough that the object changes little across it.
constexpr int DetectionWindow = 31;
// A column must also be off by this much absorption (0.5 % of the intensity) on average to be
// bad: noise-free regions would otherwise make any rounding a deviation.
constexpr double MinDeviation = 0.005;
constexpr int MinSize = 3;

const MethodInfo& info(Method method)
{
    for (const MethodInfo& m : Methods)
        if (m.method == method)
            return m;
    return Methods[0];
}

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// Values of a sinogram sorted column by column: rank i of column j at [i * width + j], with the
// row it came from.
struct SortedColumns {
    std::vector<double> values;
    std::vector<int> rows;
};

// Sorts columns first ... first + count - 1 of `a` into `s`. A few columns at a time, so that
// each row's samples of them come from one cache line and their ranks go to one.
void sortColumns(const double* a, int width, int rows, int first, int count, SortedColumns& s,
                 std::vector<std::pair<double, int>>& columns)
{
    const size_t w = size_t(width);
    const size_t n = size_t(rows);
    columns.resize(size_t(count) * n);
    for (size_t r = 0; r < n; ++r)
        for (int k = 0; k < count; ++k)
            columns[size_t(k) * n + r] = {a[r * w + size_t(first + k)], int(r)};
    for (int k = 0; k < count; ++k)
        std::sort(columns.begin() + ptrdiff_t(size_t(k) * n),
                  columns.begin() + ptrdiff_t(size_t(k + 1) * n));
    for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < count; ++k) {
            s.values[i * w + size_t(first + k)] = columns[size_t(k) * n + i].first;
            s.rows[i * w + size_t(first + k)] = columns[size_t(k) * n + i].second;
        }
}

SortedColumns sortColumns(const double* a, int width, int rows)
{
    constexpr int Together = 8;
    SortedColumns s;
    s.values.resize(size_t(width) * size_t(rows));
    s.rows.resize(size_t(width) * size_t(rows));
    std::vector<std::pair<double, int>> columns;
    for (int j = 0; j < width; j += Together)
        sortColumns(a, width, rows, j, std::min(Together, width - j), s, columns);
    return s;
}

// The median of in[j - h ... j + h] into out[j], h shrunk at the ends so that the window stays
// centred: a trend across the columns passes unchanged. Needs width > 2 half.
void medianAcross(const double* in, int width, int half, double* out, std::vector<double>& window)
{
    const auto shrunk = [&](int j) {
        const int h = std::min(j, width - 1 - j);
        window.assign(in + j - h, in + j + h + 1);
        std::nth_element(window.begin(), window.begin() + h, window.end());
        out[j] = window[size_t(h)];
    };
    for (int j = 0; j < half; ++j) {
        shrunk(j);
        shrunk(width - 1 - j);
    }
    // Inside, the window slides: one value leaves and one comes in, and it stays sorted.
    window.assign(in, in + 2 * half + 1);
    std::sort(window.begin(), window.end());
    out[half] = window[size_t(half)];
    for (int j = half + 1; j < width - half; ++j) {
        const double gone = in[j - half - 1];
        const double added = in[j + half];
        const auto g = std::lower_bound(window.begin(), window.end(), gone);
        if (added >= gone) {
            const auto to = std::lower_bound(g + 1, window.end(), added);
            std::move(g + 1, to, g);
            *(to - 1) = added;
        } else {
            const auto to = std::upper_bound(window.begin(), g, added);
            std::move_backward(to, g, g + 1);
            *to = added;
        }
        out[j] = window[size_t(half)];
    }
}

// Fills row[left + 1 ... right - 1] with the line between row[left] and row[right], or with the
// one of them inside the row.
void fillBetween(double* row, int left, int right, int width)
{
    for (int m = left + 1; m < right; ++m) {
        if (left < 0)
            row[m] = row[right];
        else if (right >= width)
            row[m] = row[left];
        else {
            const double t = double(m - left) / double(right - left);
            row[m] = row[left] * (1 - t) + row[right] * t;
        }
    }
}

// Replaces each run of samples that are not finite by the line between the finite samples
// beside it in its row, and rows with none by the nearest row that has some. False when no
// sample is finite.
bool repairNonFinite(double* a, int width, int rows, qint64& repaired)
{
    std::vector<int> goodRows;
    std::vector<int> emptyRows;
    for (int r = 0; r < rows; ++r) {
        double* row = a + size_t(r) * size_t(width);
        int left = -1;
        int j = 0;
        while (j < width) {
            if (std::isfinite(row[j])) {
                left = j++;
                continue;
            }
            int right = j;
            while (right < width && !std::isfinite(row[right]))
                ++right;
            if (left < 0 && right == width)
                break;
            fillBetween(row, left, right, width);
            repaired += right - j;
            j = right;
        }
        (left < 0 && j < width ? emptyRows : goodRows).push_back(r);
    }
    if (goodRows.empty())
        return false;
    for (int r : emptyRows) {
        const auto after = std::lower_bound(goodRows.begin(), goodRows.end(), r);
        const int from = after == goodRows.end() ? goodRows.back() : *after;
        std::copy_n(a + size_t(from) * size_t(width), width, a + size_t(r) * size_t(width));
        repaired += width;
    }
    return true;
}

// Replaces each sample of `a` by the median of its rank's values in the columns around it; `s`
// holds `a` sorted.
void sortFilter(double* a, int width, int rows, const SortedColumns& s, int window)
{
    const int half = std::min(window / 2, (width - 1) / 2);
    std::vector<double> median(static_cast<size_t>(width));
    std::vector<double> buffer;
    const size_t w = size_t(width);
    for (size_t i = 0; i < size_t(rows); ++i) {
        medianAcross(s.values.data() + i * w, width, half, median.data(), buffer);
        for (size_t j = 0; j < w; ++j)
            a[size_t(s.rows[i * w + j]) * w + j] = median[j];
    }
}

// Columns whose sorted values lie, on average, more than `threshold` times the usual such
// deviation of their neighbourhood away from the median of their neighbours. Sorting lines up
// samples of the same rank, so the object's structure cancels and a stuck, dead or noisy
// column stands out whatever the angle its values come from.
std::vector<int> findBadColumns(const SortedColumns& s, int width, int rows, double threshold)
{
    const int half = std::min(DetectionWindow / 2, (width - 1) / 2);
    const size_t w = size_t(width);
    std::vector<double> deviation(w, 0.0);
    std::vector<double> median(w);
    std::vector<double> buffer;
    for (size_t i = 0; i < size_t(rows); ++i) {
        const double* sorted = s.values.data() + i * w;
        medianAcross(sorted, width, half, median.data(), buffer);
        for (size_t j = 0; j < w; ++j)
            deviation[j] += std::abs(sorted[j] - median[j]) / rows;
    }
    // The usual deviation: the median over a whole window, moved inwards at the ends.
    std::vector<int> bad;
    for (int j = 0; j < width; ++j) {
        const int from = std::clamp(j - half, 0, width - 1 - 2 * half);
        buffer.assign(deviation.begin() + from, deviation.begin() + from + 2 * half + 1);
        std::nth_element(buffer.begin(), buffer.begin() + half, buffer.end());
        const double d = deviation[size_t(j)];
        if (d > MinDeviation && d > threshold * buffer[size_t(half)])
            bad.push_back(j);
    }
    return bad;
}

// Each run of the ascending `columns` becomes, row by row, the line between the columns beside
// it (the one beside it at an end of the row).
void interpolateColumns(double* a, int width, int rows, const std::vector<int>& columns)
{
    size_t k = 0;
    while (k < columns.size()) {
        size_t end = k + 1;
        while (end < columns.size() && columns[end] == columns[end - 1] + 1)
            ++end;
        const int left = columns[k] - 1;
        const int right = columns[end - 1] + 1;
        if (left >= 0 || right < width)
            for (int r = 0; r < rows; ++r)
                fillBetween(a + size_t(r) * size_t(width), left, right, width);
        k = end;
    }
}

// The strength to work with: the default for one that is no number, else clamped to the range.
double usable(const RingOptions& options)
{
    const MethodInfo& m = info(options.method);
    if (std::isnan(options.strength))
        return m.defaultStrength;
    return std::clamp(options.strength, m.minStrength, m.maxStrength);
}

} // namespace

std::optional<RingOptions> RingOptions::parse(const QString& text, QString* error)
{
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return std::optional<RingOptions>();
    };
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
    const QString name = (colon < 0 ? trimmed : trimmed.left(colon)).toLower();
    const MethodInfo* found = nullptr;
    for (const MethodInfo& m : Methods)
        if (name == QLatin1String(m.name))
            found = &m;
    if (!found)
        return refuse(QStringLiteral("unknown ring filter \"%1\": use %2")
                          .arg(name, names().join(QStringLiteral(", "))));
    RingOptions options;
    options.method = found->method;
    options.strength = found->defaultStrength;
    if (colon < 0)
        return options;

    const QString value = trimmed.mid(colon + 1);
    const QString range = QStringLiteral("%1 from %2 to %3")
                              .arg(QLatin1String(found->meaning), number(found->minStrength),
                                   number(found->maxStrength));
    if (found->method == Method::Off)
        return refuse(QStringLiteral("ring filter off takes no strength, not \"%1\"").arg(value));
    if (value.isEmpty())
        return refuse(QStringLiteral("ring filter %1: the strength is missing after ':' (%2)")
                          .arg(name, range));
    const QByteArray bytes = value.toUtf8();
    double v = 0;
    const auto [end, failure] = std::from_chars(bytes.constData(), bytes.constEnd(), v);
    if (failure != std::errc() || end != bytes.constEnd())
        return refuse(
            QStringLiteral("ring filter %1: \"%2\" is not a number (%3)").arg(name, value, range));
    if (!(v >= found->minStrength && v <= found->maxStrength))
        return refuse(
            QStringLiteral("ring filter %1: %2 is out of range (%3)").arg(name, value, range));
    if (found->whole && v != std::floor(v))
        return refuse(QStringLiteral("ring filter %1: %2 is not a whole number (%3)")
                          .arg(name, value, range));
    options.strength = v;
    return options;
}

QString RingOptions::text() const
{
    const QString n = name(method);
    if (method == Method::Off || strength == defaultStrength(method))
        return n;
    return n + QLatin1Char(':') + number(strength);
}

const QList<RingOptions::Method>& RingOptions::methods()
{
    static const QList<Method> all = [] {
        QList<Method> list;
        for (const MethodInfo& m : Methods)
            list << m.method;
        return list;
    }();
    return all;
}

QStringList RingOptions::names()
{
    QStringList list;
    for (const MethodInfo& m : Methods)
        list << QLatin1String(m.name);
    return list;
}

QString RingOptions::name(Method method)
{
    return QLatin1String(info(method).name);
}

QString RingOptions::strengthMeaning(Method method)
{
    return QLatin1String(info(method).meaning);
}

double RingOptions::defaultStrength(Method method)
{
    return info(method).defaultStrength;
}

double RingOptions::minStrength(Method method)
{
    return info(method).minStrength;
}

double RingOptions::maxStrength(Method method)
{
    return info(method).maxStrength;
}

bool RingOptions::strengthIsWhole(Method method)
{
    return info(method).whole;
}

QString RingOptions::help()
{
    QStringList lines{QStringLiteral("off: no ring filter (the default)")};
    for (const MethodInfo& m : Methods) {
        if (m.method != Method::Off)
            lines << QStringLiteral("%1[:S]: S = %2, %3 to %4, default %5")
                         .arg(QLatin1String(m.name), QLatin1String(m.meaning),
                              number(m.minStrength), number(m.maxStrength),
                              number(m.defaultStrength));
    }
    lines << QStringLiteral("auto is sort after dead: the one to try first");
    return lines.join(QLatin1Char('\n'));
}

RingReport RingFilter::apply(const RingOptions& options, double* absorption, int width, int rows)
{
    RingReport report;
    if (options.method == Method::Off || !absorption || width < 1 || rows < 1)
        return report;
    if (!repairNonFinite(absorption, width, rows, report.repairedSamples) || width < MinSize ||
        rows < MinSize)
        return report;
    const Method method = options.method;
    const double strength = usable(options);
    SortedColumns sorted = sortColumns(absorption, width, rows);
    if (method == Method::Dead || method == Method::Auto) {
        const double threshold =
            method == Method::Dead ? strength : RingOptions::defaultStrength(Method::Dead);
        report.replacedColumns = findBadColumns(sorted, width, rows, threshold);
        interpolateColumns(absorption, width, rows, report.replacedColumns);
    }
    if (method == Method::Sort || method == Method::Auto) {
        std::vector<std::pair<double, int>> columns;
        for (int j : report.replacedColumns)
            sortColumns(absorption, width, rows, j, 1, sorted, columns);
        sortFilter(absorption, width, rows, sorted, int(strength));
    }
    return report;
}

RingReport RingFilter::apply(const RingOptions& options, HSgm& sinogram)
{
    if (size_t(std::max(sinogram.width, 0)) * size_t(std::max(sinogram.rows, 0)) >
        sinogram.absorption.size())
        return {};
    return apply(options, sinogram.absorption.data(), sinogram.width, sinogram.rows);
}
