#include "phantom/phantom.h"
#include "recon/corfinder.h"

#include "messagelog.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

// The standard phantom reaches 0.8 radius from its centre; `fill` is the part of the line its
// widest projection covers. `offset` moves the object off the axis, in samples.
Phantom object(int width, double fill, double offset)
{
    std::vector<Phantom::Ellipsoid> parts =
        Phantom::standard(fill * width / 1.6, 10.0).ellipsoids();
    for (Phantom::Ellipsoid& e : parts)
        e.x0 += offset;
    return Phantom(parts);
}

// Rows over [0, 180) degrees with sample j at j - axis; with counts > 0, each sample is the
// absorption measured with that many open-beam counts.
std::vector<double> noisy(std::vector<double> sgm, double counts)
{
    return counts > 0 ? Phantom::withPoissonNoise(std::move(sgm), counts, 12345) : sgm;
}

} // namespace

class TestCorFinder : public QObject
{
    Q_OBJECT

private slots:
    void findsTheAxis_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("axis");
        QTest::addColumn<double>("fill");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("counts");

        // Each row names the fault it catches.
        QTest::newRow("centred: a half-sample convention slip")
            << 256 << 384 << 128.0 << 0.6 << 0.0 << 0.0;
        QTest::newRow("fractional axis: rounding to whole samples")
            << 256 << 384 << 131.37 << 0.6 << 0.0 << 0.0;
        QTest::newRow("15 % right, edge to edge: a centre pulled to the middle")
            << 256 << 384 << 0.65 * 256 << 0.69 << 0.0 << 1000.0;
        QTest::newRow("15 % left, noisy: the mirror taken the wrong way")
            << 256 << 384 << 0.35 * 256 << 0.69 << 0.0 << 1000.0;
        QTest::newRow("fills 95 %: comparison near the ends of the line")
            << 256 << 384 << 128.4 << 0.95 << 0.0 << 1000.0;
        QTest::newRow("object off the axis: centre of mass taken as the axis")
            << 300 << 450 << 160.8 << 0.5 << 20.0 << 0.0;
        QTest::newRow("wide, empty margin, noisy: log bias where nothing absorbs")
            << 1024 << 3072 << 665.9 << 0.69 << 0.0 << 1000.0;
        QTest::newRow("few rows: the angles of the rows")
            << 128 << 30 << 70.25 << 0.8 << 6.0 << 0.0;
    }

    void findsTheAxis()
    {
        QFETCH(int, width);
        QFETCH(int, rows);
        QFETCH(double, axis);
        QFETCH(double, fill);
        QFETCH(double, offset);
        QFETCH(double, counts);

        const std::vector<double> sgm =
            noisy(object(width, fill, offset).sinogram(0.0, width, rows, axis), counts);
        const std::optional<double> found = CorFinder::find(sgm, width, rows);
        QVERIFY(found);
        QVERIFY2(std::abs(*found - axis) < 0.1,
                 qPrintable(QStringLiteral("found %1, true %2").arg(*found).arg(axis)));
    }

    void refusesUnusableSinograms_data()
    {
        QTest::addColumn<std::vector<double>>("absorption");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rows");

        const std::vector<double> ones(12, 1.0);
        QTest::newRow("empty") << std::vector<double>{} << 0 << 0;
        QTest::newRow("size does not match the shape") << ones << 5 << 3;
        QTest::newRow("negative shape whose product fits") << ones << -4 << -3;
        QTest::newRow("two rows cannot fix three unknowns") << ones << 6 << 2;
        QTest::newRow("nothing absorbs") << std::vector<double>(12, 0.0) << 4 << 3;
        std::vector<double> broken = ones;
        broken[5] = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("not a number") << broken << 4 << 3;
        broken[5] = std::numeric_limits<double>::infinity();
        QTest::newRow("infinite") << broken << 4 << 3;
    }

    void refusesUnusableSinograms()
    {
        QFETCH(std::vector<double>, absorption);
        QFETCH(int, width);
        QFETCH(int, rows);

        MessageLog log("cirvo.recon");
        QVERIFY(!CorFinder::find(absorption, width, rows));
        QVERIFY(!log.messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCorFinder)
#include "tst_corfinder.moc"
