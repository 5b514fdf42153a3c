#include "testregions.h"

#include "phantom/phantom.h"
#include "recon/fbpcore.h"
#include "recon/fbpcoref.h"
#include "recon/procparams.h"
#include "recon/slicefiles.h"

#include <QList>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using Window = FbpFilter::Window;
Q_DECLARE_METATYPE(Window)

namespace
{

// How both engines are driven: every spectrum, every filter, then the projections.
struct Drive {
    int width = 0;
    int rows = 0;
    double delta = 0;
    double theta0 = 0;
    FbpFilter filter;
    FbpRegion region;
    bool dividing = false;
    bool tiled = true;
};

template <class Core> bool reconstruct(Core& core, const std::vector<double>& sgm, const Drive& d)
{
    core.setFilter(d.filter);
    if (!core.prepare((d.width / 2) * 2, d.rows))
        return false;
    core.clearResult();
    for (int r = 0; r < d.rows; ++r)
        core.forward(r, sgm.data() + size_t(r) * size_t(d.width));
    for (int r = 0; r < d.rows; ++r) {
        if (d.dividing)
            core.filterDividing(r, d.rows);
        else
            core.filterScaling(r, 1.0 / (double(core.n()) * d.rows));
    }
    if (d.tiled)
        core.backProjectAll(d.rows, d.delta, d.theta0, d.region);
    else
        for (int r = 0; r < d.rows; ++r)
            core.backProject(r, FbpAngles::theta(r, d.delta, d.theta0), d.region);
    return core.resultValid();
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// The lines of the data text after its header.
QList<QByteArray> dataLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    lines.removeIf([](const QByteArray& line) { return line.isEmpty() || line.startsWith('#'); });
    return lines;
}

// The share of the region's pixels whose data-text lines are the same for both results.
double sameTextShare(const std::vector<double>& expected, const std::vector<double>& actual, int n,
                     const FbpRegion& region, const ProcParams& p)
{
    const QList<QByteArray> a =
        dataLines(SliceFiles::sliceText(expected, n, region, p.lowerLimit, p.upperLimit, p.offset));
    const QList<QByteArray> b =
        dataLines(SliceFiles::sliceText(actual, n, region, p.lowerLimit, p.upperLimit, p.offset));
    if (a.size() != b.size() || a.isEmpty())
        return 0;
    qsizetype same = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        same += a[i] == b[i];
    return double(same) / double(a.size());
}

} // namespace

class tst_fbpcoref : public QObject
{
    Q_OBJECT

private slots:
    void matchesTheDoublePath_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("counts"); // open-beam counts of Poisson noise; 0: none
        QTest::addColumn<Window>("window");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<int>("region");
        QTest::addColumn<bool>("dividing");

        QTest::newRow("ramp: the anchors, steps and groups of eight")
            << 256 << 384 << 0 << 384 << 0.0 << Window::Ramp << false << int(Whole) << false;
        QTest::newRow("noise, dividing: the divisor and a rough line")
            << 256 << 384 << 0 << 384 << 1000.0 << Window::Ramp << false << int(Whole) << true;
        QTest::newRow("width 255, N 254 = 2 x 127: rows that end off the vector steps")
            << 255 << 360 << 0 << 360 << 0.0 << Window::Ramp << false << int(Whole) << false;
        QTest::newRow("width 1019, N 1018 = 2 x 509: transform error at a prime half length")
            << 1019 << 200 << 0 << 200 << 0.0 << Window::Ramp << false << int(Whole) << false;
        QTest::newRow("width 11, N 10 = 2 x 5: lines shorter than a step")
            << 11 << 15 << 0 << 15 << 0.0 << Window::Ramp << false << int(Whole) << false;
        QTest::newRow("width 7, N 6: the shortest transform with a circle")
            << 7 << 9 << 0 << 9 << 0.0 << Window::Ramp << false << int(Whole) << true;
        QTest::newRow("part of the slice: spans cut inside groups")
            << 254 << 360 << 0 << 360 << 0.0 << Window::Ramp << false << int(Part) << false;
        QTest::newRow("fractional bounds: rounded region ends")
            << 201 << 300 << 0 << 300 << 0.0 << Window::Ramp << false << int(Fractional) << false;
        QTest::newRow("region beyond the slice: clipped spans")
            << 130 << 200 << 0 << 200 << 0.0 << Window::Ramp << false << int(Outside) << true;
        QTest::newRow("hann, padded: window and padded response")
            << 254 << 360 << 0 << 360 << 1000.0 << Window::Hann << true << int(Whole) << false;
        QTest::newRow("shepp-logan, padded, part, dividing: N 252 padded to 512")
            << 253 << 360 << 0 << 360 << 0.0 << Window::SheppLogan << true << int(Part) << true;
        QTest::newRow("cosine, unpadded: the window on the unpadded ramp")
            << 256 << 384 << 0 << 384 << 0.0 << Window::Cosine << false << int(Whole) << false;
        QTest::newRow("partial range 100 of 360 from 130: theta0 and the row count")
            << 254 << 360 << 130 << 100 << 0.0 << Window::Ramp << false << int(Whole) << false;
        QTest::newRow("N 1030 across column tiles, hamming padded, fractional")
            << 1031 << 300 << 0 << 300 << 0.0 << Window::Hamming << true << int(Fractional)
            << false;
        QTest::newRow(
            "width 1291, N 1290, a band: the second column tile cut inside a group of eight")
            << 1291 << 360 << 0 << 360 << 0.0 << Window::Ramp << false << int(Band) << true;
    }

    void matchesTheDoublePath()
    {
        QFETCH(int, width);
        QFETCH(int, images);
        QFETCH(int, start);
        QFETCH(int, rows);
        QFETCH(double, counts);
        QFETCH(Window, window);
        QFETCH(bool, pad);
        QFETCH(int, region);
        QFETCH(bool, dividing);

        // The standard phantom filling most of the circle, rows at r pi / images from `start`.
        const int n = (width / 2) * 2;
        const Phantom phantom = Phantom::standard(0.45 * n, 1.0);
        std::vector<double> sgm = phantom.sinogram(0.0, width, images, n / 2.0);
        if (counts > 0)
            sgm = Phantom::withPoissonNoise(std::move(sgm), counts, 12345u);
        sgm.erase(sgm.begin(), sgm.begin() + qsizetype(start) * width);
        sgm.resize(size_t(rows) * size_t(width));

        Drive drive;
        drive.width = width;
        drive.rows = rows;
        drive.delta = FbpAngles::delta(180, images);
        drive.theta0 = FbpAngles::theta0(start, drive.delta, 0);
        drive.filter.window = window;
        drive.filter.pad = pad;
        drive.region = regionOf(RegionKind(region), n);
        drive.dividing = dividing;

        FbpCore exact;
        QVERIFY(reconstruct(exact, sgm, drive));
        const std::vector<double>& expected = exact.result();
        const auto [low, high] = std::minmax_element(expected.begin(), expected.end());
        const double range = *high - *low;
        QVERIFY(range > 0);

        FbpCoreF single;
        QVERIFY(single.setKernel(FbpKernels::Kernel::Portable));
        drive.tiled = false;
        QVERIFY(reconstruct(single, sgm, drive));
        QCOMPARE(single.transformLength(), exact.transformLength());
        const std::vector<double> actual = single.resultAsDoubles();
        QCOMPARE(actual.size(), expected.size());
        double largest = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            largest = std::max(largest, std::abs(actual[i] - expected[i]));
        const ProcParams defaults;
        const double sameText = sameTextShare(expected, actual, n, drive.region, defaults);
        qInfo("largest difference %.3g of the range, same text %.4f", largest / range, sameText);
        QVERIFY2(largest <= 1e-5 * range, qPrintable(QString::number(largest / range)));
        QVERIFY2(sameText >= 0.99, qPrintable(QString::number(sameText)));

        // Every kernel and both passes give the portable row-by-row bits.
        for (const FbpKernels::Kernel kernel :
             {FbpKernels::Kernel::Portable, FbpKernels::Kernel::Avx2}) {
            FbpCoreF other;
            if (!other.setKernel(kernel))
                continue;
            for (const bool tiled : {false, true}) {
                if (kernel == FbpKernels::Kernel::Portable && !tiled)
                    continue;
                drive.tiled = tiled;
                QVERIFY(reconstruct(other, sgm, drive));
                QVERIFY2(
                    sameBits(single.result(), other.result()),
                    qPrintable(QStringLiteral("kernel %1, tiled %2").arg(int(kernel)).arg(tiled)));
            }
        }
    }

    void refusesWhatFbpCoreRefuses()
    {
        FbpCoreF core;
        QVERIFY(!core.prepare(1, 10));
        QCOMPARE(core.n(), 0);
        QVERIFY(!core.prepare(0, 10));
        QVERIFY(!core.prepare(4, -1));
        QVERIFY(core.prepare(2, 10));
        QCOMPARE(core.n(), 2);
        QCOMPARE(core.count(), 10);
        QCOMPARE(core.transformLength(), 2);

        FbpFilter padded;
        padded.pad = true;
        core.setFilter(padded);
        QCOMPARE(core.n(), 0);
        QVERIFY(core.prepare(100, 3));
        QCOMPARE(core.transformLength(), 256);
        QVERIFY(!core.prepare(FbpFilter::MaxPaddedLength / 2 + 1, 1));
        QCOMPARE(core.n(), 0);
    }

    void reusesAndReplacesPreparations()
    {
        const Phantom phantom = Phantom::standard(40, 1.0);
        const std::vector<double> a = phantom.sinogram(0.0, 101, 120, 50);
        const std::vector<double> b = phantom.sinogram(0.0, 130, 150, 65);
        Drive da;
        da.width = 101;
        da.rows = 120;
        da.delta = FbpAngles::delta(180, 120);
        da.region = regionOf(Whole, 100);
        Drive db = da;
        db.width = 130;
        db.rows = 150;
        db.delta = FbpAngles::delta(180, 150);
        db.region = regionOf(Whole, 130);
        db.filter.pad = true;

        FbpCoreF fresh;
        QVERIFY(reconstruct(fresh, a, da));
        const std::vector<float> first = fresh.result();
        FbpCoreF freshB;
        QVERIFY(reconstruct(freshB, b, db));

        FbpCoreF reused;
        QVERIFY(reconstruct(reused, a, da));
        QVERIFY(reconstruct(reused, b, db));
        QVERIFY(sameBits(freshB.result(), reused.result()));
        QVERIFY(reconstruct(reused, a, da));
        QCOMPARE(reused.n(), 100);
        QVERIFY(sameBits(first, reused.result()));
    }
};

QTEST_GUILESS_MAIN(tst_fbpcoref)
#include "tst_fbpcoref.moc"
