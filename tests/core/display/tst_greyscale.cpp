#include "display/greyscale.h"
#include "imageio/imgdata.h"
#include "imageio/itexwriter.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

class tst_greyscale : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString writeU16(int width, int height, const std::vector<double>& values)
    {
        const QString name = m_dir.filePath(QString("g%1.his").arg(m_count++));
        ItexWriter w(name, width, height, SampleType::U16, 1,
                     ItexWriter::standardComment(width, height, 1.0));
        if (!w.appendFrame(values.data()) || !w.commit())
            qFatal("cannot write test file: %s", qPrintable(w.errorString()));
        return name;
    }

    static std::unique_ptr<ImgData> load(const QString& name)
    {
        auto img = ImgData::createImgData(ImgData::fileType(name));
        img->fileName = name;
        img->valid = img->load(0);
        return img;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void level_data()
    {
        QTest::addColumn<double>("minV");
        QTest::addColumn<double>("maxV");
        QTest::addColumn<double>("barLow");
        QTest::addColumn<double>("barHigh");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected");

        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();

        QTest::newRow("full window, middle") << 0.0 << 100.0 << 0.0 << 1.0 << 50.0 << 128;
        QTest::newRow("full window, bottom") << 0.0 << 100.0 << 0.0 << 1.0 << 0.0 << 0;
        QTest::newRow("just below top truncates") << 0.0 << 100.0 << 0.0 << 1.0 << 99.9 << 255;
        QTest::newRow("top clamps") << 0.0 << 100.0 << 0.0 << 1.0 << 100.0 << 255;
        QTest::newRow("below range") << 0.0 << 100.0 << 0.0 << 1.0 << -5.0 << 0;
        QTest::newRow("above range") << 0.0 << 100.0 << 0.0 << 1.0 << 150.0 << 255;
        QTest::newRow("truncates, not rounds") << 0.0 << 256.0 << 0.0 << 1.0 << 10.9 << 10;
        QTest::newRow("offset range") << -100.0 << 100.0 << 0.0 << 1.0 << 0.0 << 128;
        QTest::newRow("window, middle") << 0.0 << 1.0 << 0.25 << 0.75 << 0.5 << 128;
        QTest::newRow("window, low end") << 0.0 << 1.0 << 0.25 << 0.75 << 0.25 << 0;
        QTest::newRow("window, below") << 0.0 << 1.0 << 0.25 << 0.75 << 0.1 << 0;
        QTest::newRow("window, above") << 0.0 << 1.0 << 0.25 << 0.75 << 0.8 << 255;
        QTest::newRow("window, quarter") << 0.0 << 1.0 << 0.25 << 0.75 << 0.375 << 64;
        QTest::newRow("inverted window, low end") << 0.0 << 1.0 << 0.75 << 0.25 << 0.25 << 255;
        QTest::newRow("inverted window, high end") << 0.0 << 1.0 << 0.75 << 0.25 << 0.75 << 0;
        QTest::newRow("inverted window, quarter") << 0.0 << 1.0 << 0.75 << 0.25 << 0.625 << 64;
        QTest::newRow("empty range, below") << 5.0 << 5.0 << 0.0 << 1.0 << 1.0 << 0;
        QTest::newRow("empty range, at") << 5.0 << 5.0 << 0.0 << 1.0 << 5.0 << 0;
        QTest::newRow("empty range, above") << 5.0 << 5.0 << 0.0 << 1.0 << 9.0 << 0;
        QTest::newRow("empty window, below") << 0.0 << 1.0 << 0.5 << 0.5 << 0.1 << 0;
        QTest::newRow("empty window, at") << 0.0 << 1.0 << 0.5 << 0.5 << 0.5 << 0;
        QTest::newRow("empty window, above") << 0.0 << 1.0 << 0.5 << 0.5 << 0.9 << 0;
        QTest::newRow("NaN") << 0.0 << 100.0 << 0.0 << 1.0 << nan << 0;
        QTest::newRow("+inf") << 0.0 << 100.0 << 0.0 << 1.0 << inf << 255;
        QTest::newRow("-inf") << 0.0 << 100.0 << 0.0 << 1.0 << -inf << 0;
        QTest::newRow("NaN, empty range") << 1.0 << 1.0 << 0.0 << 1.0 << nan << 0;
        QTest::newRow("inf, empty window") << 0.0 << 1.0 << 0.3 << 0.3 << inf << 0;
    }

    void level()
    {
        QFETCH(double, minV);
        QFETCH(double, maxV);
        QFETCH(double, barLow);
        QFETCH(double, barHigh);
        QFETCH(double, x);
        QFETCH(int, expected);

        const GreyScale gs{minV, maxV, barLow, barHigh};
        QCOMPARE(gs.level(x), expected);
    }

    void mapRowWritesOnlyCountBytes()
    {
        const GreyScale gs{0.0, 100.0, 0.0, 1.0};
        const double values[] = {0.0,  50.0, 150.0, std::numeric_limits<double>::quiet_NaN(),
                                 25.0, 50.0};
        uchar grey[6] = {7, 7, 7, 7, 7, 7};
        gs.mapRow(values, 5, grey);
        const uchar expected[6] = {0, 128, 255, 0, 64, 7};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(int(grey[i]), int(expected[i]));

        gs.mapRow(values, 0, grey);
        QCOMPARE(int(grey[0]), 0);
    }

    void toImage_data()
    {
        QTest::addColumn<double>("barLow");
        QTest::addColumn<double>("barHigh");
        QTest::addColumn<QList<int>>("expected");

        // Pixel values, row by row, of the 3 x 2 test file: 0, 250, 500 / 750, 1000, 1200.
        QTest::newRow("full window") << 0.0 << 1.0 << QList<int>{0, 64, 128, 192, 255, 255};
        QTest::newRow("upper half") << 0.5 << 1.0 << QList<int>{0, 0, 0, 128, 255, 255};
        QTest::newRow("inverted") << 1.0 << 0.0 << QList<int>{255, 192, 128, 64, 0, 0};
    }

    void toImage()
    {
        QFETCH(double, barLow);
        QFETCH(double, barHigh);
        QFETCH(QList<int>, expected);

        const int width = 3;
        const int height = 2;
        const auto img = load(writeU16(width, height, {0, 250, 500, 750, 1000, 1200}));
        QVERIFY(img->valid);

        const GreyScale gs{0.0, 1000.0, barLow, barHigh};
        const QImage picture = gs.toImage(*img);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.format(), QImage::Format_Grayscale8);
        QCOMPARE(picture.size(), QSize(width, height));
        for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
                QCOMPARE(int(picture.constScanLine(r)[c]), expected.at(r * width + c));
                QCOMPARE(qGray(picture.pixel(c, r)), expected.at(r * width + c));
            }
        }
    }

    void toImageOfInvalidImageIsNull()
    {
        const GreyScale gs;

        const auto unloaded = ImgData::createImgData(ImgData::Itex);
        QVERIFY(!unloaded->valid);
        QVERIFY(gs.toImage(*unloaded).isNull());

        // The valid flag decides, even for an image whose pixels could be read.
        const auto loaded = load(writeU16(2, 2, {1, 2, 3, 4}));
        QVERIFY(loaded->valid);
        QVERIFY(!gs.toImage(*loaded).isNull());
        loaded->valid = false;
        QVERIFY(gs.toImage(*loaded).isNull());

        const auto missing = ImgData::createImgData(ImgData::Itex);
        missing->fileName = m_dir.filePath("does-not-exist.his");
        missing->valid = missing->load(0);
        QVERIFY(!missing->valid);
        QVERIFY(gs.toImage(*missing).isNull());
    }
};

QTEST_MAIN(tst_greyscale)
#include "tst_greyscale.moc"
