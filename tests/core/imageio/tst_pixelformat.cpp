#include "imageio/pixelformat.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

Q_DECLARE_METATYPE(SampleType)

class tst_pixelformat : public QObject
{
    Q_OBJECT

private slots:
    void encodeRoundsAndClamps_data()
    {
        QTest::addColumn<SampleType>("type");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("stored");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("u8 above range") << SampleType::U8 << 300.0 << 255.0;
        QTest::newRow("u8 below range") << SampleType::U8 << -5.0 << 0.0;
        QTest::newRow("u8 half rounds away") << SampleType::U8 << 2.5 << 3.0;
        QTest::newRow("s8 below range") << SampleType::S8 << -200.0 << -128.0;
        QTest::newRow("u16 NaN") << SampleType::U16 << nan << 0.0;
        QTest::newRow("s16 negative half") << SampleType::S16 << -2.5 << -3.0;
        QTest::newRow("u32 top") << SampleType::U32 << 5e9 << 4294967295.0;
        QTest::newRow("s32 bottom") << SampleType::S32 << -5e9 << -2147483648.0;
        QTest::newRow("f32 rounds to float") << SampleType::F32 << 0.1 << double(0.1f);
        QTest::newRow("f64 exact") << SampleType::F64 << 0.1 << 0.1;
    }

    void encodeRoundsAndClamps()
    {
        QFETCH(SampleType, type);
        QFETCH(double, value);
        QFETCH(double, stored);
        for (const bool little : {true, false}) {
            std::vector<uchar> bytes(size_t(bytesPerSample(type)) * 2, 0xab);
            const double values[] = {value, -0.0};
            doublesToSamples(values, 2, type, little, bytes.data());
            double back[2] = {-1, -1};
            samplesToDoubles(bytes.data(), type, little, bytesPerSample(type), 2, back);
            QCOMPARE(back[0], stored);
            QCOMPARE(back[1], 0.0);
        }
    }

    void byteOrderAndStride()
    {
        const uchar words[] = {0x12, 0x34, 0xff, 0xff, 0x00, 0x01};
        double out[2];
        samplesToDoubles(words, SampleType::U16, true, 4, 2, out);
        QCOMPARE(out[0], double(0x3412));
        QCOMPARE(out[1], double(0x0100));
        samplesToDoubles(words, SampleType::U16, false, 4, 2, out);
        QCOMPARE(out[0], double(0x1234));
        QCOMPARE(out[1], 1.0);
        samplesToDoubles(words, SampleType::None, true, 2, 2, out);
        QCOMPARE(out[0], 0.0);
        QCOMPARE(bytesPerSample(SampleType::None), 0);
        QCOMPARE(bytesPerSample(SampleType::F64), 8);
    }
};

QTEST_GUILESS_MAIN(tst_pixelformat)
#include "tst_pixelformat.moc"
