#include "fbpreference.h"
#include "reconcheck.h"

#include "imageio/imgdata.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "phantom/phantomwriter.h"
#include "recon/hsgm.h"
#include "recon/sgmwindow.h"
#include "recon/sinogrambuilder.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace
{

using Pixel = std::function<double(int frame, int x, int y)>;

// Projections with optional I0 and BG images, as the panels hand them to a worker.
struct DataSet {
    ImgDatas images;
    std::shared_ptr<ImgData> i0;
    std::shared_ptr<ImgData> bg;
    std::shared_ptr<const ImageSet> set;
};

std::unique_ptr<DataSet> loadSet(const QString& projections, const QString& i0 = {},
                                 const QString& bg = {})
{
    auto data = std::make_unique<DataSet>();
    const int frames = ImgDatas::frameCountOf(projections);
    for (int k = 0; k < frames; ++k)
        if (!data->images.add(projections, k))
            return nullptr;
    if (!i0.isEmpty()) {
        data->i0 = loadImage(i0);
        if (!data->i0)
            return nullptr;
        data->images.setI0Slot(&data->i0);
    }
    if (!bg.isEmpty()) {
        data->bg = loadImage(bg);
        if (!data->bg)
            return nullptr;
        data->images.setBGSlot(&data->bg);
    }
    data->set = data->images.snapshot();
    return data;
}

SinogramRequest request(bool vertical, double cor, int slice)
{
    SinogramRequest r;
    r.rotAxIsV = vertical;
    r.cor = cor;
    r.slice = slice;
    return r;
}

// A record that a refused build must leave as it is.
HSgm filledRecord()
{
    HSgm sgm;
    sgm.resize(3, 2);
    for (size_t i = 0; i < sgm.absorption.size(); ++i) {
        sgm.absorption[i] = 1.0 + double(i);
        sgm.raw[i] = 10.0 + double(i);
    }
    sgm.slice = 5;
    return sgm;
}

bool sameRecord(const HSgm& a, const HSgm& b)
{
    return a.width == b.width && a.rows == b.rows && a.slice == b.slice &&
           a.absorption == b.absorption && a.raw == b.raw;
}

} // namespace

class tst_sinogrambuilder : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeF32(const QString& name, int w, int h, int frames, const Pixel& pixel)
    {
        const QString path = m_dir.filePath(name);
        ItexWriter writer(path, w, h, SampleType::F32, frames,
                          ItexWriter::standardComment(w, h, 1));
        std::vector<double> px(size_t(w) * size_t(h));
        for (int k = 0; k < frames; ++k) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    px[size_t(y) * size_t(w) + size_t(x)] = pixel(k, x, y);
            if (!writer.appendFrame(px.data()))
                qFatal("cannot write %s", qPrintable(path));
        }
        if (!writer.commit())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString constant(const QString& name, int w, int h, int frames, double value)
    {
        return writeF32(name, w, h, frames, [value](int, int, int) { return value; });
    }

    // 1000 x 2 pixels, each holding its column index.
    std::unique_ptr<DataSet> m_ramp;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_ramp = loadSet(writeF32(QStringLiteral("ramp.img"), 1000, 2, 2,
                                  [](int, int x, int) { return double(x); }));
        QVERIFY(m_ramp);
        QCOMPARE(m_ramp->set->count(), 2);
    }

    void window_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<double>("cor");
        QTest::addColumn<int>("half");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("corInt");
        QTest::addColumn<double>("corFrac");
        QTest::newRow("100") << 1000 << 100.0 << 100 << 199 << 100 << 0.0;
        QTest::newRow("100.5") << 1000 << 100.5 << 100 << 199 << 100 << 0.5;
        QTest::newRow("500.75") << 1000 << 500.75 << 498 << 995 << 500 << 0.75;
        QTest::newRow("1") << 1000 << 1.0 << 1 << 1 << 1 << 0.0;
        QTest::newRow("998.5") << 1000 << 998.5 << 0 << -1 << 998 << 0.5;
    }

    void window()
    {
        QFETCH(int, length);
        QFETCH(double, cor);
        QFETCH(int, half);
        QFETCH(int, width);
        QFETCH(int, corInt);
        QFETCH(double, corFrac);
        for (const bool vertical : {true, false}) {
            const SgmWindow w = SgmWindow::of(vertical, length, cor);
            QCOMPARE(w.rotAxIsV, vertical);
            QCOMPARE(w.half, half);
            QCOMPARE(w.width, width);
            QCOMPARE(w.corInt, corInt);
            QVERIFY(w.corFrac == corFrac);
            QVERIFY(w.cor == cor);
        }
    }

    void interpolate()
    {
        QVERIFY(SinogramBuilder::interpolate(2, 4, 2, 7, 2) == 5.5);
        QVERIFY(SinogramBuilder::interpolate(2, 4, 2, 7, 30) == 5.5);
        QVERIFY(SinogramBuilder::interpolate(1, 10, 2, 20, 1.5) == 15.0);
        const double x0 = 3;
        const double y0 = 0.1;
        const double x1 = 4;
        const double y1 = 0.7;
        const double x = 3.3;
        QVERIFY(sameBits(SinogramBuilder::interpolate(x0, y0, x1, y1, x),
                         (x - x0) * ((y1 - y0) / (x1 - x0)) + y0));
    }

    void resampleMatchesReference()
    {
        std::mt19937 engine(3u);
        std::uniform_real_distribution<double> dist(-5.0, 5.0);
        std::vector<double> line(300);
        for (double& v : line)
            v = dist(engine);
        for (const double cor : {150.0, 149.5, 37.3, 262.9, 1.0}) {
            const SgmWindow w = SgmWindow::of(true, 300, cor);
            std::vector<double> out(size_t(w.width));
            SinogramBuilder::resample(line.data(), w, out.data());
            COMPARE_BITS(FbpReference::resampled(line, w.half, cor), out);
        }
    }

    void resamplesAboutTheCentre_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("cor");
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("first");
        QTest::newRow("100") << true << 100.0 << 199 << 1.0;
        QTest::newRow("100.5") << true << 100.5 << 199 << 1.5;
        QTest::newRow("100.25") << true << 100.25 << 199 << 1.25;
        QTest::newRow("899") << true << 899.0 << 199 << 800.0;
        QTest::newRow("500.75") << true << 500.75 << 995 << 3.75;
        QTest::newRow("1") << true << 1.0 << 1 << 1.0;
        QTest::newRow("1.5") << true << 1.5 << 1 << 1.5;
        QTest::newRow("998") << true << 998.0 << 1 << 998.0;
        QTest::newRow("horizontal 100.5") << false << 100.5 << 199 << 1.5;
    }

    void resamplesAboutTheCentre()
    {
        QFETCH(bool, vertical);
        QFETCH(double, cor);
        QFETCH(int, width);
        QFETCH(double, first);

        std::unique_ptr<DataSet> transposed;
        const DataSet* data = m_ramp.get();
        if (!vertical) {
            transposed = loadSet(writeF32(QStringLiteral("ramp-t.img"), 2, 1000, 2,
                                          [](int, int, int y) { return double(y); }));
            QVERIFY(transposed);
            data = transposed.get();
        }
        HSgm sgm;
        QVERIFY(SinogramBuilder::build(*data->set, request(vertical, cor, 1), sgm));
        QCOMPARE(sgm.width, width);
        QCOMPARE(sgm.rows, 2);
        QCOMPARE(sgm.slice, 1);
        QVERIFY(sgm.hasData());
        const double frac = cor - std::floor(cor);
        for (int r = 0; r < sgm.rows; ++r) {
            for (int j = 0; j < width; ++j) {
                const double raw = sgm.rawRow(r)[j];
                QVERIFY2(sameBits(raw, first + j),
                         qPrintable(QStringLiteral("sample %1: %2").arg(j).arg(raw)));
                if (frac == 0.5) {
                    const double left = std::floor(raw);
                    QVERIFY(raw == (left + (left + 1)) / 2);
                }
                // No I0 and no BG: ln(1 / (raw - 0)).
                QVERIFY(sameBits(sgm.absorptionRow(r)[j], std::log(1.0 / raw)));
            }
        }
    }

    void refusesCentresOutsideTheLine_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("cor");
        QTest::newRow("0.9") << true << 0.9;
        QTest::newRow("0") << true << 0.0;
        QTest::newRow("-2.5") << true << -2.5;
        QTest::newRow("999.2") << true << 999.2;
        QTest::newRow("999.01") << true << 999.01;
        QTest::newRow("1000") << true << 1000.0;
        QTest::newRow("1200") << true << 1200.0;
        QTest::newRow("NaN") << true << std::nan("");
        QTest::newRow("horizontal 0.9") << false << 0.9;
        QTest::newRow("horizontal 999.2") << false << 999.2;
    }

    void refusesCentresOutsideTheLine()
    {
        QFETCH(bool, vertical);
        QFETCH(double, cor);
        std::unique_ptr<DataSet> transposed;
        const DataSet* data = m_ramp.get();
        if (!vertical) {
            transposed = loadSet(writeF32(QStringLiteral("ramp-t.img"), 2, 1000, 2,
                                          [](int, int, int y) { return double(y); }));
            QVERIFY(transposed);
            data = transposed.get();
        }
        HSgm sgm = filledRecord();
        QVERIFY(!SinogramBuilder::build(*data->set, request(vertical, cor, 0), sgm));
        QVERIFY(sameRecord(sgm, filledRecord()));
        FbpReference::Sinogram ref;
        FbpReference::SinogramParams p;
        p.vertical = vertical;
        p.cor = cor;
        QVERIFY(!FbpReference::sinogram(*data->set, p, ref));
    }

    void emptyWindowAndSlicesOutside()
    {
        // Within one sample of the far end the window holds nothing.
        for (const double cor : {998.5, 999.0}) {
            HSgm sgm = filledRecord();
            QVERIFY(SinogramBuilder::build(*m_ramp->set, request(true, cor, 1), sgm));
            QVERIFY(!sgm.hasData());
            QVERIFY(sgm.absorption.empty());
            QVERIFY(sgm.raw.empty());
            QCOMPARE(sgm.slice, 1);
        }

        for (const int slice : {-1, 2, 1000}) {
            HSgm refused = filledRecord();
            QVERIFY(!SinogramBuilder::build(*m_ramp->set, request(true, 100.0, slice), refused));
            QVERIFY(sameRecord(refused, filledRecord()));
        }
        // For the horizontal axis the slices are the image's columns, here 0 ... 1.
        std::unique_ptr<DataSet> transposed = loadSet(writeF32(
            QStringLiteral("ramp-t.img"), 2, 1000, 2, [](int, int, int y) { return double(y); }));
        QVERIFY(transposed);
        HSgm refused = filledRecord();
        QVERIFY(!SinogramBuilder::build(*transposed->set, request(false, 100.0, 2), refused));
        QVERIFY(sameRecord(refused, filledRecord()));
        QVERIFY(SinogramBuilder::build(*transposed->set, request(false, 100.0, 1), refused));
        QCOMPARE(refused.width, 199);
    }

    void refusesOversizedPartialSets()
    {
        // 199 samples x 2000000 rows would need gigabytes; the record must stay as it was.
        SinogramRequest req = request(true, 100.0, 0);
        req.usePartial = true;
        req.usingImages = 2000000;
        HSgm sgm = filledRecord();
        QVERIFY(!SinogramBuilder::build(*m_ramp->set, req, sgm));
        QVERIFY(sameRecord(sgm, filledRecord()));
    }

    void absorptionFromI0AndBG_data()
    {
        QTest::addColumn<double>("i0");
        QTest::addColumn<double>("bg");
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("expected");
        QTest::newRow("ln 2") << 1000.0 << 100.0 << 550.0 << std::log(2.0);
        QTest::newRow("raw at BG") << 1000.0 << 100.0 << 100.0 << std::log(900.0);
        QTest::newRow("raw below BG") << 1000.0 << 100.0 << 40.0 << std::log(900.0);
        QTest::newRow("I0 at BG") << 100.0 << 100.0 << 300.0 << std::log(1.0 / 200.0);
        QTest::newRow("both at or below BG") << 80.0 << 100.0 << 100.0 << 0.0;
    }

    void absorptionFromI0AndBG()
    {
        QFETCH(double, i0);
        QFETCH(double, bg);
        QFETCH(double, raw);
        QFETCH(double, expected);
        const std::unique_ptr<DataSet> data =
            loadSet(constant(QStringLiteral("raw.img"), 20, 1, 3, raw),
                    constant(QStringLiteral("i0.img"), 20, 1, 1, i0),
                    constant(QStringLiteral("bg.img"), 20, 1, 1, bg));
        QVERIFY(data);
        QVERIFY(data->set->i0 && data->set->bg);
        HSgm sgm;
        QVERIFY(SinogramBuilder::build(*data->set, request(true, 10.0, 0), sgm));
        QCOMPARE(sgm.width, 17);
        QCOMPARE(sgm.rows, 3);
        for (size_t i = 0; i < sgm.absorption.size(); ++i) {
            QVERIFY2(sameBits(sgm.absorption[i], expected),
                     qPrintable(QString::number(sgm.absorption[i], 'g', 17)));
            QVERIFY(sgm.raw[i] == raw);
        }
    }

    void refusesI0OrBGOfAnotherSize_data()
    {
        QTest::addColumn<int>("i0Width");
        QTest::addColumn<int>("bgWidth");
        QTest::addColumn<QString>("which");
        QTest::newRow("wider I0") << 40 << 20 << "I0";
        QTest::newRow("narrower BG") << 20 << 10 << "BG";
    }

    void refusesI0OrBGOfAnotherSize()
    {
        QFETCH(int, i0Width);
        QFETCH(int, bgWidth);
        QFETCH(QString, which);
        const std::unique_ptr<DataSet> data =
            loadSet(constant(QStringLiteral("raw.img"), 20, 1, 3, 500),
                    constant(QStringLiteral("i0_%1.img").arg(i0Width), i0Width, 1, 1, 1000),
                    constant(QStringLiteral("bg_%1.img").arg(bgWidth), bgWidth, 1, 1, 100));
        QVERIFY(data);
        HSgm sgm = filledRecord();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^" + which + " image of .* does not match"));
        QVERIFY(!SinogramBuilder::build(*data->set, request(true, 10.0, 0), sgm));
        QVERIFY(sameRecord(sgm, filledRecord()));
    }

    void absorptionWithoutI0OrBG_data()
    {
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("expected");
        QTest::newRow("4") << 4.0 << std::log(0.25);
        QTest::newRow("0.5") << 0.5 << std::log(2.0);
        QTest::newRow("0") << 0.0 << 0.0;
        QTest::newRow("-3") << -3.0 << 0.0;
    }

    void absorptionWithoutI0OrBG()
    {
        QFETCH(double, raw);
        QFETCH(double, expected);
        const std::unique_ptr<DataSet> data =
            loadSet(constant(QStringLiteral("raw.img"), 20, 1, 2, raw));
        QVERIFY(data);
        QVERIFY(!data->set->i0 && !data->set->bg);
        HSgm sgm;
        QVERIFY(SinogramBuilder::build(*data->set, request(true, 9.5, 0), sgm));
        QCOMPARE(sgm.width, 17);
        for (const double a : sgm.absorption)
            QVERIFY2(sameBits(a, expected), qPrintable(QString::number(a, 'g', 17)));
    }

    void partialSets_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::addColumn<int>("usingImages");
        QTest::addColumn<int>("startNo");
        QTest::addColumn<QList<int>>("images");
        QTest::newRow("start 5, 10 images")
            << true << 10 << 5 << QList<int>{5, 6, 7, 0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("start 8") << true << 3 << 8 << QList<int>{0, 1, 2};
        QTest::newRow("start 100") << true << 3 << 100 << QList<int>{0, 1, 2};
        QTest::newRow("start -1") << true << 3 << -1 << QList<int>{0, 1, 2};
        QTest::newRow("negative count") << true << -4 << 2 << QList<int>{2, 3, 4, 5};
        QTest::newRow("start 7, 2 images") << true << 2 << 7 << QList<int>{7, 0};
        QTest::newRow("not partial") << false << 3 << 5 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
    }

    void partialSets()
    {
        QFETCH(bool, partial);
        QFETCH(int, usingImages);
        QFETCH(int, startNo);
        QFETCH(QList<int>, images);
        const std::unique_ptr<DataSet> data = loadSet(writeF32(
            QStringLiteral("eight.his"), 20, 1, 8, [](int k, int, int) { return 10.0 + k; }));
        QVERIFY(data);
        QCOMPARE(data->set->count(), 8);
        SinogramRequest req = request(true, 10.0, 0);
        req.usePartial = partial;
        req.usingImages = usingImages;
        req.startImageNo = startNo;
        QCOMPARE(SinogramBuilder::startImage(req, 8), images.first());
        QCOMPARE(SinogramBuilder::rowCount(req, 8), int(images.size()));
        HSgm sgm;
        QVERIFY(SinogramBuilder::build(*data->set, req, sgm));
        QCOMPARE(sgm.rows, int(images.size()));
        for (int r = 0; r < sgm.rows; ++r)
            for (int j = 0; j < sgm.width; ++j)
                QCOMPARE(sgm.rawRow(r)[j], 10.0 + images[r]);
    }

    void horizontalAxisTakesColumns()
    {
        const int w = 40;
        const int h = 12;
        const int frames = 5;
        // Values spread across BG so that some samples need the replacement by 1.
        std::mt19937 engine(21u);
        std::uniform_real_distribution<double> dist(50.0, 1000.0);
        std::vector<double> raw(size_t(w) * h * frames);
        for (double& v : raw)
            v = dist(engine);
        std::vector<double> i0(size_t(w) * h);
        std::vector<double> bg(size_t(w) * h);
        for (size_t i = 0; i < i0.size(); ++i) {
            i0[i] = 900.0 + std::fmod(dist(engine), 200.0);
            bg[i] = 90.0 + std::fmod(dist(engine), 20.0);
        }
        const auto at = [&](const std::vector<double>& v, int k, int x, int y) {
            return v[(size_t(k) * h + size_t(y)) * w + size_t(x)];
        };
        const std::unique_ptr<DataSet> upright =
            loadSet(writeF32(QStringLiteral("v.his"), w, h, frames,
                             [&](int k, int x, int y) { return at(raw, k, x, y); }),
                    writeF32(QStringLiteral("vi0.img"), w, h, 1,
                             [&](int, int x, int y) { return at(i0, 0, x, y); }),
                    writeF32(QStringLiteral("vbg.img"), w, h, 1,
                             [&](int, int x, int y) { return at(bg, 0, x, y); }));
        const std::unique_ptr<DataSet> lying =
            loadSet(writeF32(QStringLiteral("h.his"), h, w, frames,
                             [&](int k, int x, int y) { return at(raw, k, y, x); }),
                    writeF32(QStringLiteral("hi0.img"), h, w, 1,
                             [&](int, int x, int y) { return at(i0, 0, y, x); }),
                    writeF32(QStringLiteral("hbg.img"), h, w, 1,
                             [&](int, int x, int y) { return at(bg, 0, y, x); }));
        QVERIFY(upright && lying);

        for (const double cor : {20.0, 17.3, 22.5}) {
            for (const int slice : {0, 5, h - 1}) {
                HSgm v;
                HSgm t;
                QVERIFY(SinogramBuilder::build(*upright->set, request(true, cor, slice), v));
                QVERIFY(SinogramBuilder::build(*lying->set, request(false, cor, slice), t));
                QVERIFY(v.hasData());
                QCOMPARE(t.width, v.width);
                QCOMPARE(t.rows, v.rows);
                QCOMPARE(t.slice, v.slice);
                COMPARE_BITS(v.absorption, t.absorption);
                COMPARE_BITS(v.raw, t.raw);

                FbpReference::SinogramParams p;
                p.cor = cor;
                p.slice = slice;
                FbpReference::Sinogram ref;
                QVERIFY(FbpReference::sinogram(*upright->set, p, ref));
                COMPARE_BITS(ref.absorption, v.absorption);
                COMPARE_BITS(ref.raw, v.raw);
            }
        }
    }

    // A worker builds slice after slice into one record: whatever it held, and of whichever
    // shape, every sample is written again.
    void reusedRecordIsRewritten()
    {
        std::mt19937 engine(8u);
        std::uniform_real_distribution<double> dist(50.0, 1000.0);
        const std::unique_ptr<DataSet> data =
            loadSet(writeF32(QStringLiteral("reuse.his"), 40, 12, 5,
                             [&](int, int, int) { return dist(engine); }),
                    constant(QStringLiteral("reusei0.img"), 40, 12, 1, 1200.0),
                    constant(QStringLiteral("reusebg.img"), 40, 12, 1, 40.0));
        QVERIFY(data);

        HSgm sgm;
        const SinogramRequest requests[] = {request(true, 20.0, 3), request(true, 9.5, 7),
                                            request(false, 5.2, 30), request(true, 30.2, 0),
                                            request(true, 20.0, 11)};
        for (const SinogramRequest& req : requests) {
            std::fill(sgm.absorption.begin(), sgm.absorption.end(), std::nan(""));
            std::fill(sgm.raw.begin(), sgm.raw.end(), std::nan(""));
            QVERIFY(SinogramBuilder::build(*data->set, req, sgm));
            FbpReference::Sinogram ref;
            QVERIFY(FbpReference::sinogram(*data->set, referenceParams(req), ref));
            QCOMPARE(sgm.width, ref.width);
            QCOMPARE(sgm.rows, ref.rows);
            COMPARE_BITS(ref.raw, sgm.raw);
            COMPARE_BITS(ref.absorption, sgm.absorption);
        }
    }

    void matchesReferenceOnPhantom_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("cor");
        QTest::addColumn<int>("slice");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<int>("usingImages");
        QTest::addColumn<int>("startNo");
        QTest::newRow("vertical 31.3") << true << 31.3 << 2 << false << 0 << 0;
        QTest::newRow("vertical 30.75") << true << 30.75 << 0 << false << 0 << 0;
        QTest::newRow("vertical 32") << true << 32.0 << 5 << false << 0 << 0;
        QTest::newRow("vertical 31.3 partial") << true << 31.3 << 3 << true << 30 << 20;
        QTest::newRow("horizontal 31.3") << false << 31.3 << 2 << false << 0 << 0;
        QTest::newRow("horizontal 33.6") << false << 33.6 << 4 << false << 0 << 0;
        QTest::newRow("horizontal 31.3 partial") << false << 31.3 << 1 << true << -7 << 5;
    }

    void matchesReferenceOnPhantom()
    {
        QFETCH(bool, vertical);
        QFETCH(double, cor);
        QFETCH(int, slice);
        QFETCH(bool, partial);
        QFETCH(int, usingImages);
        QFETCH(int, startNo);

        PhantomWriter::Settings s;
        s.outDir = m_dir.filePath(vertical ? QStringLiteral("pv") : QStringLiteral("ph"));
        s.width = vertical ? 64 : 6;
        s.height = vertical ? 6 : 64;
        s.projections = 24;
        s.cor = 31.3;
        s.truth = false;
        s.axis = vertical ? PhantomWriter::Axis::Vertical : PhantomWriter::Axis::Horizontal;
        const PhantomWriter writer(s);
        QString error;
        QVERIFY2(writer.write(&error), qPrintable(error));
        const QDir dir(s.outDir);
        const QStringList names = writer.fileNames();
        const std::unique_ptr<DataSet> data =
            loadSet(dir.filePath(names.at(0)), dir.filePath(QStringLiteral("I0.img")),
                    dir.filePath(QStringLiteral("BG.img")));
        QVERIFY(data);
        QVERIFY(data->set->i0 && data->set->bg);

        SinogramRequest req = request(vertical, cor, slice);
        req.usePartial = partial;
        req.usingImages = usingImages;
        req.startImageNo = startNo;
        HSgm sgm;
        QVERIFY(SinogramBuilder::build(*data->set, req, sgm));
        QVERIFY(sgm.hasData());

        FbpReference::Sinogram ref;
        QVERIFY(FbpReference::sinogram(*data->set, referenceParams(req), ref));
        QCOMPARE(sgm.width, ref.width);
        QCOMPARE(sgm.rows, ref.rows);
        QCOMPARE(sgm.slice, slice);
        COMPARE_BITS(ref.raw, sgm.raw);
        COMPARE_BITS(ref.absorption, sgm.absorption);
        // The phantom absorbs: the sinogram is not flat.
        double largest = 0;
        for (const double a : sgm.absorption)
            largest = std::max(largest, a);
        QVERIFY(largest > 0.1);
    }
};

QTEST_GUILESS_MAIN(tst_sinogrambuilder)
#include "tst_sinogrambuilder.moc"
