#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "phantom/phantomwriter.h"
#include "recon/corguess.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

Q_DECLARE_METATYPE(PhantomWriter::Axis)

namespace
{

// A bump of the given width about `at`, sampled on `length` points.
std::vector<double> bump(int length, double at, double width)
{
    std::vector<double> line(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j)
        line[size_t(j)] = std::exp(-(j - at) * (j - at) / (2 * width * width));
    return line;
}

// The line whose samples mirror the bump's about `mirror`: b[j] = a-curve at 2 mirror - 1 - j,
// the pairing the score uses for a centre `mirror`.
std::vector<double> mirroredBump(int length, double at, double width, double mirror)
{
    std::vector<double> line(static_cast<size_t>(length));
    for (int j = 0; j < length; ++j) {
        const double x = 2 * mirror - 1 - j;
        line[size_t(j)] = std::exp(-(x - at) * (x - at) / (2 * width * width));
    }
    return line;
}

std::vector<double> spike(int length, int at)
{
    std::vector<double> line(size_t(length), 0.0);
    line[size_t(at)] = 1.0;
    return line;
}

} // namespace

class tst_corguess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A phantom set loaded frame by frame.
    static bool loadPhantom(const PhantomWriter::Settings& s, ImgDatas& set)
    {
        QString error;
        if (!PhantomWriter(s).write(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        const QString his = QDir(s.outDir).filePath(s.name + ".his");
        for (int k = 0; k < s.projections; ++k)
            if (!set.add(his, k))
                return false;
        return true;
    }

    // `frames` images of w x h; pixel (c, r) of frame k is 1000 k + 100 r + c.
    QString writeNumbered(const QString& name, int w, int h, int frames)
    {
        const QString path = m_dir.filePath(name);
        ItexWriter writer(path, w, h, SampleType::U16, frames,
                          ItexWriter::standardComment(w, h, 1));
        for (int k = 0; k < frames; ++k) {
            std::vector<double> px(size_t(w * h));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    px[size_t(r * w + c)] = 1000 * k + 100 * r + c;
            writer.appendFrame(px.data());
        }
        if (!writer.commit())
            qFatal("cannot write test image");
        return path;
    }

private slots:
    void halfTurnImages_data()
    {
        QTest::addColumn<double>("range");
        QTest::addColumn<int>("images");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("half turn") << 180.0 << 90 << true << 90;
        QTest::newRow("full turn") << 360.0 << 90 << true << 45;
        QTest::newRow("truncated") << 200.0 << 7 << true << 6;
        QTest::newRow("negative range") << -360.0 << 10 << true << -5;
        QTest::newRow("zero range") << 0.0 << 10 << false << 0;
        QTest::newRow("no number") << std::nan("") << 10 << false << 0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 10 << false << 0;
        QTest::newRow("beyond int") << 1e-300 << 10 << false << 0;
    }

    void halfTurnImages()
    {
        QFETCH(double, range);
        QFETCH(int, images);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        const std::optional<int> n = CorGuess::halfTurnImages(range, images);
        QCOMPARE(n.has_value(), valid);
        if (valid)
            QCOMPARE(*n, expected);
    }

    void partnerImage_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("images");
        QTest::addColumn<double>("range");
        QTest::addColumn<int>("expected");
        QTest::newRow("180 deg: last image") << 0 << 180 << 180.0 << 179;
        QTest::newRow("180 deg, few images") << 0 << 7 << 180.0 << 6;
        QTest::newRow("360 deg: half way") << 0 << 360 << 360.0 << 180;
        QTest::newRow("wraps round") << 200 << 360 << 360.0 << 20;
        QTest::newRow("negative range wraps") << 10 << 360 << -360.0 << 190;
        QTest::newRow("180 deg from later start") << 50 << 100 << 180.0 << 50;
    }

    void partnerImage()
    {
        QFETCH(int, start);
        QFETCH(int, images);
        QFETCH(double, range);
        QFETCH(int, expected);
        const std::optional<int> g = CorGuess::partnerImage(start, images, range);
        QVERIFY(g.has_value());
        QCOMPARE(*g, expected);
    }

    void partnerImageNeedsImagesAndRange()
    {
        QVERIFY(!CorGuess::partnerImage(0, 0, 180.0));
        QVERIFY(!CorGuess::partnerImage(0, 10, 0.0));
    }

    void sampleAt_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");
        QTest::newRow("on a sample") << 1.0 << 20.0;
        QTest::newRow("between samples") << 1.25 << 22.5;
        QTest::newRow("before the first") << -0.5 << 5.0;
        QTest::newRow("after the last") << 2.5 << 15.0;
        QTest::newRow("far before") << -3.0 << 0.0;
        QTest::newRow("far after") << 7.0 << 0.0;
        QTest::newRow("no number") << std::nan("") << 0.0;
    }

    void sampleAt()
    {
        QFETCH(double, x);
        QFETCH(double, expected);
        QCOMPARE(CorGuess::sampleAt({10, 20, 30}, x), expected);
    }

    // Worked by hand: the products a(c + k) b(c - 1 - k) for |k| < p L.
    void score_data()
    {
        QTest::addColumn<double>("centre");
        QTest::addColumn<double>("param");
        QTest::addColumn<double>("expected");
        // k = -1, 0: a(0) b(1) + a(1) b(0) = 1 x 5 + 2 x 4.
        QTest::newRow("whole window, integer centre") << 1.0 << 1.0 << 13.0;
        // |k| < 0.6: k = 0 only, a(1) b(0) = 2 x 4.
        QTest::newRow("narrow window") << 1.0 << 0.2 << 8.0;
        // k = -2 ... 1: 0.5 x 3 + 1.5 x 5.5 + 2.5 x 4.5 + 1.5 x 2.
        QTest::newRow("half-way centre") << 1.5 << 1.0 << 24.0;
        // |k| < 0.9: k = 0 only, a(1.5) b(0.5) = 2.5 x 4.5.
        QTest::newRow("half-way, narrow") << 1.5 << 0.3 << 11.25;
        QTest::newRow("zero window") << 1.5 << 0.0 << 0.0;
        QTest::newRow("far off") << 40.0 << 1.0 << 0.0;
    }

    void score()
    {
        QFETCH(double, centre);
        QFETCH(double, param);
        QFETCH(double, expected);
        QCOMPARE(CorGuess::score({1, 2, 3}, {4, 5, 6}, centre, param), expected);
    }

    // b mirrors a about `mirror`; the guess climbs there from `start`, through several coarse
    // scans when it starts more than ten pixels away.
    void guessFindsTheMirror_data()
    {
        QTest::addColumn<double>("mirror");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("tolerance");
        // Interpolation between samples flattens the peak at fractional centres a little.
        QTest::newRow("integer, close") << 50.0 << 47.0 << 0.051;
        QTest::newRow("fraction, above") << 50.3 << 55.0 << 0.25;
        QTest::newRow("fraction start") << 48.6 << 44.25 << 0.25;
        QTest::newRow("far below") << 60.0 << 22.0 << 0.051;
        QTest::newRow("far above") << 40.7 << 75.0 << 0.25;
    }

    void guessFindsTheMirror()
    {
        QFETCH(double, mirror);
        QFETCH(double, start);
        QFETCH(double, tolerance);
        const int length = 101;
        const std::vector<double> a = bump(length, mirror - 6, 8);
        const std::vector<double> b = mirroredBump(length, mirror - 6, 8, mirror);
        const double u = CorGuess::guess(a, b, start, 0.35);
        QVERIFY2(std::abs(u - mirror) <= tolerance, qPrintable(QString::number(u)));
    }

    void guessKeepsTheStartWhenNothingScores()
    {
        const std::vector<double> zero(30, 0.0);
        QCOMPARE(CorGuess::guess(zero, zero, 17.25, 0.35), 17.25);
        const std::vector<double> a = bump(30, 15, 3);
        const std::vector<double> negative(30, -1.0);
        QCOMPARE(CorGuess::guess(a, negative, 12.5, 0.35), 12.5);
        QCOMPARE(CorGuess::guess(a, a, 14.0, 0.0), 14.0);
        // Without a start the climb begins at 0 and still reaches the bump's own mirror.
        const double fromNothing = CorGuess::guess(a, a, std::nan(""), 0.35);
        QCOMPARE(fromNothing, CorGuess::guess(a, a, 0.0, 0.35));
        QVERIFY2(std::abs(fromNothing - 15.5) < 0.051, qPrintable(QString::number(fromNothing)));
    }

    // Spikes at 10 pair only for centres strictly between 10 and 11, so every coarse candidate
    // from 10 scores 0; the fine search alone finds the peak at 10.5.
    void fineSearchAloneWhenNoCoarseCandidateScores()
    {
        const std::vector<double> a = spike(21, 10);
        for (double c : {9.0, 10.0, 11.0, 19.0, 1.0})
            QCOMPARE(CorGuess::score(a, a, c, 0.35), 0.0);
        QVERIFY(CorGuess::score(a, a, 10.5, 0.35) > 0);
        const double u = CorGuess::guess(a, a, 10.0, 0.35);
        QVERIFY2(std::abs(u - 10.5) < 0.05, qPrintable(QString::number(u)));
        // From 13 the fine window 11 ... 13 misses the peak.
        QCOMPARE(CorGuess::guess(a, a, 13.0, 0.35), 13.0);
    }

    void pickLinesReadsStartAndPartner_data()
    {
        QTest::addColumn<bool>("rotAxIsV");
        QTest::addColumn<int>("slice");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<int>("startNo");
        QTest::addColumn<double>("range");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("rows, 180 deg") << true << 2 << false << 0 << 180.0 << 0 << 5;
        QTest::newRow("columns, 180 deg") << false << 3 << false << 0 << 180.0 << 0 << 5;
        QTest::newRow("rows, 360 deg") << true << 1 << false << 0 << 360.0 << 0 << 3;
        QTest::newRow("partial start") << true << 2 << true << 4 << 360.0 << 4 << 1;
        QTest::newRow("start ignored unless partial") << true << 2 << false << 4 << 360.0 << 0 << 3;
        QTest::newRow("negative start") << true << 2 << true << -1 << 360.0 << 0 << 3;
        QTest::newRow("start beyond the set") << true << 2 << true << 6 << 360.0 << 0 << 3;
    }

    void pickLinesReadsStartAndPartner()
    {
        QFETCH(bool, rotAxIsV);
        QFETCH(int, slice);
        QFETCH(bool, partial);
        QFETCH(int, startNo);
        QFETCH(double, range);
        QFETCH(int, first);
        QFETCH(int, second);
        const int w = 7;
        const int h = 5;
        const QString path = writeNumbered("numbered.itex", w, h, 6);
        ImgDatas set;
        for (int k = 0; k < 6; ++k)
            QVERIFY(set.add(path, k));
        SinogramRequest r;
        r.rotAxIsV = rotAxIsV;
        r.slice = slice;
        r.usePartial = partial;
        r.startImageNo = startNo;
        r.usingImages = 3;
        const std::optional<CorGuess::LinePair> lines =
            CorGuess::pickLines(*set.snapshot(), r, range);
        QVERIFY(lines);
        const int length = rotAxIsV ? w : h;
        QCOMPARE(int(lines->a.size()), length);
        QCOMPARE(int(lines->b.size()), length);
        for (int j = 0; j < length; ++j) {
            const int along = rotAxIsV ? 100 * slice + j : 100 * j + slice;
            QCOMPARE(lines->a[size_t(j)], double(1000 * first + along));
            QCOMPARE(lines->b[size_t(j)], double(1000 * second + along));
        }
    }

    void guards_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("rotAxIsV");
        QTest::addColumn<int>("slice");
        QTest::addColumn<double>("range");
        QTest::newRow("empty set") << true << true << 0 << 180.0;
        QTest::newRow("zero range") << false << true << 0 << 0.0;
        QTest::newRow("range no number") << false << true << 0 << std::nan("");
        QTest::newRow("infinite range")
            << false << true << 0 << -std::numeric_limits<double>::infinity();
        QTest::newRow("negative slice") << false << true << -1 << 180.0;
        QTest::newRow("slice below the rows") << false << true << 5 << 180.0;
        QTest::newRow("slice beyond the columns") << false << false << 7 << 180.0;
    }

    void guards()
    {
        QFETCH(bool, empty);
        QFETCH(bool, rotAxIsV);
        QFETCH(int, slice);
        QFETCH(double, range);
        ImgDatas set;
        if (!empty) {
            const QString path = writeNumbered("guards.itex", 7, 5, 4);
            for (int k = 0; k < 4; ++k)
                QVERIFY(set.add(path, k));
        }
        SinogramRequest r;
        r.rotAxIsV = rotAxIsV;
        r.slice = slice;
        r.cor = 3;
        QVERIFY(!CorGuess::pickLines(*set.snapshot(), r, range));
        QVERIFY(!CorGuess::guess(*set.snapshot(), r, range, 0.35));
    }

    // The score pairs a(c + k) with b(c - 1 - k), so projections mirrored about the axis at
    // pixel x score best at c = x + 0.5. The phantom fills nearly 90 % of the line: the window
    // must just cover it and stay inside the line, hence p = 0.44.
    void guessOnPhantom_data()
    {
        QTest::addColumn<double>("axis");
        QTest::addColumn<PhantomWriter::Axis>("orientation");
        QTest::addColumn<double>("start");
        const auto v = PhantomWriter::Axis::Vertical;
        const auto h = PhantomWriter::Axis::Horizontal;
        QTest::newRow("31.5 from below") << 31.5 << v << 27.0;
        QTest::newRow("31.5 from above") << 31.5 << v << 35.0;
        QTest::newRow("33 from below") << 33.0 << v << 29.5;
        QTest::newRow("33 from far below") << 33.0 << v << 12.0;
        QTest::newRow("33 from far above") << 33.0 << v << 51.3;
        QTest::newRow("horizontal axis") << 30.25 << h << 34.0;
    }

    void guessOnPhantom()
    {
        QFETCH(double, axis);
        QFETCH(PhantomWriter::Axis, orientation);
        QFETCH(double, start);
        const bool vertical = orientation == PhantomWriter::Axis::Vertical;
        PhantomWriter::Settings s;
        s.outDir = m_dir.filePath(QTest::currentDataTag());
        s.width = vertical ? 64 : 8;
        s.height = vertical ? 8 : 64;
        s.projections = 180;
        s.cor = axis;
        s.axis = orientation;
        s.truth = false;
        ImgDatas set;
        QVERIFY(loadPhantom(s, set));
        SinogramRequest r;
        r.rotAxIsV = vertical;
        r.slice = 4;
        r.cor = start;
        const std::optional<double> u = CorGuess::guess(*set.snapshot(), r, 180.0, 0.44);
        QVERIFY(u);
        QVERIFY2(std::abs(*u - (axis + 0.5)) <= 0.3, qPrintable(QString::number(*u)));
    }
};

QTEST_MAIN(tst_corguess)
#include "tst_corguess.moc"
