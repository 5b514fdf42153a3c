#include "phantom/phantom.h"
#include "recon/fbpcore.h"
#include "recon/hsgm.h"
#include "recon/ringfilter.h"

#include <QTest>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

Q_DECLARE_METATYPE(RingOptions::Method)

namespace
{

constexpr int Width = 256;
constexpr int Rows = 384;
constexpr double Radius = 0.45 * Width; // the body reaches 0.8 of it, inside the circle
constexpr double OpenCounts = 1e4;

// `count` columns from `at` (from the centre, in phantom radii) read `gain` times the intensity.
struct Bright {
    double at;
    int count;
    double gain;
};
constexpr Bright BrightColumns[] = {{-0.62, 1, 1.03}, {-0.29, 1, 1.05}, {-0.08, 1, 1.02},
                                    {0.12, 1, 1.04},  {0.35, 1, 1.02},  {0.45, 2, 1.03},
                                    {0.57, 1, 1.05}};
constexpr double EmptyAt = -0.45;
constexpr double StuckAt = 0.22;
constexpr double ClusterAt = -0.2;

enum Defect {
    BrightDefect = 1,
    DeadDefect = 2, // one column reading nothing, one stuck at half the open beam
    Infinite = 4,   // the column reading nothing as infinite absorption, not the builder's floor
    Cluster = 8,    // four neighbouring columns 4 % too bright
};

int column(double at)
{
    return int(std::lround(Width / 2 + at * Radius));
}

const Phantom& phantom()
{
    static const Phantom p = Phantom::standard(Radius, 10.0);
    return p;
}

// Rows over [0, 180) degrees with sample j at j - Width / 2; with counts > 0, each sample is
// the absorption measured with that many open-beam counts.
std::vector<double> sinogram(double counts)
{
    std::vector<double> sgm = phantom().sinogram(0.0, Width, Rows, Width / 2.0);
    return counts > 0 ? Phantom::withPoissonNoise(std::move(sgm), counts, 12345) : sgm;
}

// Intensity x gain is absorption - ln(gain); a column that reads nothing gets the sinogram
// builder's floor of one count.
std::vector<double> damaged(std::vector<double> sgm, int defects)
{
    for (int r = 0; r < Rows; ++r) {
        double* row = sgm.data() + size_t(r) * Width;
        if (defects & BrightDefect)
            for (const Bright& b : BrightColumns)
                for (int k = 0; k < b.count; ++k)
                    row[column(b.at) + k] -= std::log(b.gain);
        if (defects & Cluster)
            for (int k = 0; k < 4; ++k)
                row[column(ClusterAt) + k] -= std::log(1.04);
        if (defects & DeadDefect) {
            row[column(EmptyAt)] =
                defects & Infinite ? std::numeric_limits<double>::infinity() : std::log(OpenCounts);
            row[column(StuckAt)] = std::log(2.0);
        }
    }
    return sgm;
}

std::vector<double> reconstruct(const std::vector<double>& sgm)
{
    FbpCore core;
    core.prepare(Width, Rows);
    core.clearResult();
    for (int r = 0; r < Rows; ++r)
        core.forward(r, sgm.data() + size_t(r) * Width);
    for (int r = 0; r < Rows; ++r)
        core.filterScaling(r, 1.0 / (double(Width) * Rows));
    core.backProjectAll(Rows, FbpAngles::delta(180, Rows), 0, {0, 0, Width, Width});
    return core.result();
}

// Relative RMS error against the phantom inside 0.8 of its radius, after the best scale
// s = <rec, truth> / <rec, rec>.
double error(const std::vector<double>& rec)
{
    const double g = Width / 2.0;
    double rt = 0, rr = 0, tt = 0;
    std::vector<std::pair<double, double>> pairs;
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x) {
            if ((x - g) * (x - g) + (z - g) * (z - g) >= 0.64 * Radius * Radius)
                continue;
            const double v = rec[size_t(z) * Width + size_t(x)];
            const double t = phantom().density(x - g, 0.0, z - g);
            rt += v * t;
            rr += v * v;
            tt += t * t;
            pairs.emplace_back(v, t);
        }
    const double s = rt / rr;
    double e = 0;
    for (const auto& [v, t] : pairs)
        e += (s * v - t) * (s * v - t);
    return std::sqrt(e / tt);
}

double cleanError(double counts)
{
    static std::map<double, double> known;
    if (!known.count(counts))
        known[counts] = error(reconstruct(sinogram(counts)));
    return known[counts];
}

// A smooth sinogram whose columns differ by a linear trend: every filter must leave it alone.
double trend(int r, int j)
{
    return 0.3 + 0.2 * std::sin(0.37 * r + 0.1) + 0.01 * j;
}

enum Damage { NoDamage, NaNSample, InfiniteColumn, MinusInfiniteRow, LargestColumn, AllNaN };

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

} // namespace

class TestRingFilter : public QObject
{
    Q_OBJECT

private slots:
    void removesRings_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("defects");
        QTest::addColumn<double>("counts");
        QTest::addColumn<double>("left"); // of the error the defects add

        // Each row names the fault it catches. A dead column adds so much error that a quarter
        // of it would hide the stripes; those rows allow less.
        QTest::newRow("sort, bright columns: stripes left in place")
            << "sort" << int(BrightDefect) << 0.0 << 0.25;
        QTest::newRow("sort, noisy: noise taken for a stripe")
            << "sort" << int(BrightDefect) << 1e4 << 0.25;
        QTest::newRow("sort:3, the smallest window: the ends of the window")
            << "sort:3" << int(BrightDefect) << 0.0 << 0.25;
        QTest::newRow("sort, four columns together: a window mostly striped")
            << "sort" << int(Cluster) << 1e4 << 0.25;
        QTest::newRow("dead, stuck and empty columns left")
            << "dead" << int(DeadDefect) << 0.0 << 0.02;
        QTest::newRow("dead, noisy: good columns replaced")
            << "dead" << int(DeadDefect) << 1e3 << 0.02;
        QTest::newRow("auto, all defects: bad columns left to the sorting")
            << "auto" << (BrightDefect | DeadDefect) << 0.0 << 0.02;
        QTest::newRow("auto, all defects, noisy")
            << "auto" << (BrightDefect | DeadDefect) << 1e4 << 0.02;
        QTest::newRow("auto, infinite column: non-finite samples spread")
            << "auto" << (BrightDefect | DeadDefect | Infinite) << 1e4 << 0.02;
    }

    void removesRings()
    {
        QFETCH(QString, filter);
        QFETCH(int, defects);
        QFETCH(double, counts);
        QFETCH(double, left);

        QString why;
        const std::optional<RingOptions> options = RingOptions::parse(filter, &why);
        QVERIFY2(options, qPrintable(why));
        const std::vector<double> clean = sinogram(counts);
        const double before = cleanError(counts);
        // Without a filter a non-finite sample ruins the slice; the baseline reads the floor.
        const double striped = error(reconstruct(damaged(clean, defects & ~Infinite)));

        std::vector<double> input = damaged(clean, defects);
        const RingReport report = RingFilter::apply(*options, input.data(), Width, Rows);
        const double filtered = error(reconstruct(input));
        std::vector<double> cleanInput = clean;
        RingFilter::apply(*options, cleanInput.data(), Width, Rows);
        const double cleanFiltered = error(reconstruct(cleanInput));

        const QByteArray numbers = QStringLiteral("errors: clean %1, striped %2, filtered %3, "
                                                  "clean filtered %4")
                                       .arg(before)
                                       .arg(striped)
                                       .arg(filtered)
                                       .arg(cleanFiltered)
                                       .toLatin1();
        QVERIFY2(striped > before * 1.05, numbers.constData());
        QVERIFY2(filtered - before <= left * (striped - before), numbers.constData());
        QVERIFY2(cleanFiltered <= 1.15 * before, numbers.constData());

        QCOMPARE(report.repairedSamples, defects & Infinite ? qint64(Rows) : 0);
        const bool finds = options->method != RingOptions::Method::Sort;
        if (finds && (defects & DeadDefect)) {
            const auto replaced = [&](int j) {
                return std::binary_search(report.replacedColumns.begin(),
                                          report.replacedColumns.end(), j);
            };
            QVERIFY(replaced(column(StuckAt)));
            // An infinite column is mended sample by sample before the search.
            QCOMPARE(replaced(column(EmptyAt)), !(defects & Infinite));
        }
    }

    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<RingOptions::Method>("method");
        QTest::addColumn<double>("strength");
        QTest::addColumn<QString>("errorPart");

        using M = RingOptions::Method;
        QTest::newRow("off") << "off" << true << M::Off << 0.0 << "";
        QTest::newRow("auto alone: the recommended filter")
            << "auto" << true << M::Auto << 9.0 << "";
        QTest::newRow("a method alone takes its default") << "sort" << true << M::Sort << 9.0 << "";
        QTest::newRow("window") << "sort:31" << true << M::Sort << 31.0 << "";
        QTest::newRow("fractional threshold") << "dead:2.5" << true << M::Dead << 2.5 << "";
        QTest::newRow("case and spaces around") << "  Sort:9 " << true << M::Sort << 9.0 << "";
        QTest::newRow("auto with the smallest window") << "auto:3" << true << M::Auto << 3.0 << "";
        QTest::newRow("largest window") << "sort:255" << true << M::Sort << 255.0 << "";
        QTest::newRow("smallest threshold") << "dead:1.5" << true << M::Dead << 1.5 << "";

        QTest::newRow("empty") << "" << false << M::Off << 0.0 << "use off, sort, dead, auto";
        QTest::newRow("unknown method") << "rings" << false << M::Off << 0.0 << "\"rings\"";
        QTest::newRow("no method before the strength")
            << ":5" << false << M::Off << 0.0 << "unknown ring filter";
        QTest::newRow("wrong separator") << "sort;21" << false << M::Off << 0.0 << "\"sort;21\"";
        QTest::newRow("strength missing") << "sort:" << false << M::Off << 0.0 << "missing";
        QTest::newRow("not a number")
            << "sort:abc" << false << M::Off << 0.0 << "\"abc\" is not a number";
        QTest::newRow("negative") << "sort:-1" << false << M::Off << 0.0 << "out of range";
        QTest::newRow("too large") << "sort:1e9" << false << M::Off << 0.0 << "out of range";
        QTest::newRow("below the smallest threshold")
            << "dead:1" << false << M::Off << 0.0 << "out of range";
        QTest::newRow("not a number, nan")
            << "dead:nan" << false << M::Off << 0.0 << "out of range";
        QTest::newRow("infinite") << "dead:inf" << false << M::Off << 0.0 << "out of range";
        QTest::newRow("fractional window") << "sort:12.5" << false << M::Off << 0.0 << "whole";
        QTest::newRow("fractional auto window") << "auto:12.5" << false << M::Off << 0.0 << "whole";
        QTest::newRow("trailing junk") << "sort:21x" << false << M::Off << 0.0 << "not a number";
        QTest::newRow("second strength") << "sort:21:3" << false << M::Off << 0.0 << "not a number";
        QTest::newRow("space inside") << "sort: 21" << false << M::Off << 0.0 << "not a number";
        QTest::newRow("hexadecimal") << "sort:0x10" << false << M::Off << 0.0 << "not a number";
        QTest::newRow("off with a strength")
            << "off:3" << false << M::Off << 0.0 << "takes no strength";
    }

    void parses()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(RingOptions::Method, method);
        QFETCH(double, strength);
        QFETCH(QString, errorPart);

        QString why;
        const std::optional<RingOptions> options = RingOptions::parse(text, &why);
        QCOMPARE(bool(options), valid);
        QCOMPARE(bool(RingOptions::parse(text, nullptr)), valid);
        if (valid) {
            QCOMPARE(options->method, method);
            QCOMPARE(options->strength, strength);
            QVERIFY(why.isEmpty());
        } else {
            QVERIFY2(why.contains(errorPart), qPrintable(why));
            QVERIFY(!why.contains(QLatin1Char('\n')));
        }
    }

    void textReadsBack()
    {
        QCOMPARE(RingOptions::names().size(), RingOptions::methods().size());
        for (RingOptions::Method m : RingOptions::methods()) {
            const double lo = RingOptions::minStrength(m);
            const double hi = RingOptions::maxStrength(m);
            const double middle =
                RingOptions::strengthIsWhole(m) ? std::floor((lo + hi) / 2) : lo + (hi - lo) / 3;
            for (double strength : {RingOptions::defaultStrength(m), lo, hi, middle}) {
                const RingOptions options{m, strength};
                const std::optional<RingOptions> back = RingOptions::parse(options.text(), nullptr);
                QVERIFY2(back, qPrintable(options.text()));
                QCOMPARE(back->method, m);
                QCOMPARE(back->strength, strength);
            }
            const RingOptions byDefault{m, RingOptions::defaultStrength(m)};
            QCOMPARE(byDefault.text(), RingOptions::name(m));
            QVERIFY(RingOptions::help().contains(RingOptions::name(m)));
        }
    }

    void copesWithBrokenInput_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("damage");

        QTest::newRow("sort, clean trend: a filter that smooths real structure")
            << "sort" << 64 << 48 << int(NoDamage);
        QTest::newRow("auto, clean trend: good columns taken for bad")
            << "auto" << 64 << 48 << int(NoDamage);
        QTest::newRow("sort, one NaN: NaN spread by sorting")
            << "sort" << 64 << 48 << int(NaNSample);
        QTest::newRow("dead, infinite column: inf - inf")
            << "dead" << 64 << 48 << int(InfiniteColumn);
        QTest::newRow("auto, infinite column") << "auto" << 64 << 48 << int(InfiniteColumn);
        QTest::newRow("auto, a row of -inf: a row with nothing to interpolate")
            << "auto" << 64 << 48 << int(MinusInfiniteRow);
        QTest::newRow("dead, largest doubles: overflow in the deviation")
            << "dead" << 64 << 48 << int(LargestColumn);
        QTest::newRow("sort, largest doubles: overflow in the median")
            << "sort" << 64 << 48 << int(LargestColumn);
        QTest::newRow("auto, all NaN: nothing to mend from") << "auto" << 64 << 48 << int(AllNaN);
        QTest::newRow("off leaves even broken samples alone")
            << "off" << 64 << 48 << int(NaNSample);
        QTest::newRow("one sample") << "auto" << 1 << 1 << int(NaNSample);
        QTest::newRow("two columns") << "auto" << 2 << 5 << int(NaNSample);
        QTest::newRow("three columns: a window wider than the row")
            << "auto" << 3 << 3 << int(NaNSample);
        QTest::newRow("window of 255 on five columns") << "sort:255" << 5 << 7 << int(NaNSample);
        QTest::newRow("two rows") << "sort" << 6 << 2 << int(NaNSample);
        QTest::newRow("one row") << "dead" << 9 << 1 << int(NaNSample);
        QTest::newRow("no columns") << "auto" << 0 << 10 << int(NoDamage);
        QTest::newRow("no rows") << "auto" << 10 << 0 << int(NoDamage);
        QTest::newRow("negative size") << "auto" << -4 << 10 << int(NoDamage);
    }

    void copesWithBrokenInput()
    {
        QFETCH(QString, filter);
        QFETCH(int, width);
        QFETCH(int, rows);
        QFETCH(int, damage);

        const int w = std::max(width, 0);
        const int h = std::max(rows, 0);
        std::vector<double> expected(size_t(w) * size_t(h));
        for (int r = 0; r < h; ++r)
            for (int j = 0; j < w; ++j)
                expected[size_t(r) * w + size_t(j)] = trend(r, j);
        std::vector<double> data = expected;
        const auto at = [&](int r, int j) -> double& { return data[size_t(r) * w + size_t(j)]; };
        const int badColumn = w / 3;
        const int badRow = h / 3;
        qint64 nonFinite = 0;
        switch (Damage(damage)) {
        case NoDamage:
            break;
        case NaNSample:
            at(h / 2, w / 2) = std::nan("");
            nonFinite = 1;
            break;
        case InfiniteColumn:
        case LargestColumn:
            for (int r = 0; r < h; ++r)
                at(r, badColumn) = damage == InfiniteColumn
                                       ? std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::max();
            nonFinite = damage == InfiniteColumn ? h : 0;
            break;
        case MinusInfiniteRow:
            // The row becomes the nearest row with finite samples, the next one.
            for (int j = 0; j < w; ++j) {
                at(badRow, j) = -std::numeric_limits<double>::infinity();
                expected[size_t(badRow) * w + size_t(j)] = trend(badRow + 1, j);
            }
            nonFinite = w;
            break;
        case AllNaN:
            std::fill(data.begin(), data.end(), std::nan(""));
            break;
        }
        const std::vector<double> input = data;

        const RingOptions options = *RingOptions::parse(filter, nullptr);
        const RingReport report = RingFilter::apply(options, data.data(), width, rows);

        const bool anyFinite =
            std::any_of(input.begin(), input.end(), [](double v) { return std::isfinite(v); });
        if (options.method == RingOptions::Method::Off || !anyFinite) {
            QVERIFY(sameBits(data, input));
            QCOMPARE(report.repairedSamples, qint64(0));
            QVERIFY(report.replacedColumns.empty());
            return;
        }
        QVERIFY(std::all_of(data.begin(), data.end(), [](double v) { return std::isfinite(v); }));
        QCOMPARE(report.repairedSamples, nonFinite);
        // Columns beyond every window's reach from the damage keep their values exactly.
        const bool columnDamage = damage == InfiniteColumn || damage == LargestColumn;
        const int damagedColumn = columnDamage ? badColumn : w / 2;
        int changed = 0;
        for (int r = 0; r < h; ++r)
            for (int j = 0; j < w; ++j)
                if (damage == NoDamage || damage == MinusInfiniteRow ||
                    std::abs(j - damagedColumn) > 16)
                    changed += at(r, j) != expected[size_t(r) * w + size_t(j)];
        QCOMPARE(changed, 0);
        // A column mended from its neighbours lies on the trend between them.
        if (damage == InfiniteColumn ||
            (damage == LargestColumn && options.method != RingOptions::Method::Sort)) {
            for (int r = 0; r < h; ++r)
                QVERIFY(std::abs(at(r, badColumn) - trend(r, badColumn)) < 1e-12);
        }
        if (damage == LargestColumn && options.method == RingOptions::Method::Dead)
            QCOMPARE(report.replacedColumns, std::vector<int>{badColumn});
    }

    void sinogramOfWrongSizeIsLeftAlone()
    {
        HSgm sgm;
        sgm.width = 8;
        sgm.rows = 8;
        sgm.absorption.assign(40, std::nan(""));
        const RingReport report =
            RingFilter::apply(RingOptions{RingOptions::Method::Auto, 11}, sgm);
        QCOMPARE(report.repairedSamples, qint64(0));
        QVERIFY(std::all_of(sgm.absorption.begin(), sgm.absorption.end(),
                            [](double v) { return std::isnan(v); }));
        sgm.absorption.assign(64, 1.0);
        sgm.absorption[9] = std::numeric_limits<double>::infinity();
        QCOMPARE(RingFilter::apply(RingOptions{RingOptions::Method::Auto, 11}, sgm).repairedSamples,
                 qint64(1));
        QCOMPARE(sgm.absorption[9], 1.0);
    }
};

QTEST_GUILESS_MAIN(TestRingFilter)
#include "tst_ringfilter.moc"
