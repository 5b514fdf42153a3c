#include "view3d/slicedatas.h"

#include "messagelog.h"
#include "recon/slicefiles.h"
#include "testfile.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <limits>
#include <vector>

namespace
{

struct Point {
    int x;
    int y;
    double v;
};

constexpr double Inf = std::numeric_limits<double>::infinity();
const QByteArray Ct = "#CIRVO-CTImg\n";
const QByteArray Pos = "## 240301\n# X-NUM 3\n# Y-NUM 3\n";

double xPlus100Z(int x, int z)
{
    return x + 100 * z;
}

// The slice text as the program's writer writes it for an n x n result of f(x, z).
QByteArray writerText(int n, const FbpRegion& region, double (*f)(int, int))
{
    std::vector<double> result(size_t(n) * size_t(n));
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
            result[size_t(z * n + x)] = f(x, z);
    return SliceFiles::sliceText(result, n, region, -Inf, Inf, 0);
}

QByteArray ranges(const char* x0, const char* y0, const char* x1, const char* y1)
{
    return QByteArray("# Range_X0       : ") + x0 + "\n# Range_Y0       : " + y0 +
           "\n# Range_X1       : " + x1 + "\n# Range_Y1       : " + y1 + '\n';
}

// X-NUM and Y-NUM 11 over 11 x 11 points from (5, 7) of x + 100 y.
QByteArray posValue11()
{
    QByteArray text = "## 240301\n# Format1 : XYV\n# Format2 : SPACE-Separated\n# X-NUM 11\n"
                      "# Y-NUM 11\n";
    for (int y = 7; y < 18; ++y)
        for (int x = 5; x < 16; ++x)
            text += QByteArray::number(x) + ' ' + QByteArray::number(y) + ' ' +
                    QByteArray::number(xPlus100Z(x, y)) + '\n';
    return text;
}

enum Reader { CtImg, PosValue };

} // namespace

Q_DECLARE_METATYPE(QList<Point>)

class TstSliceDatas : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readers_data();
    void readers();
    void loading_data();
    void loading();
    void histogram_data();
    void histogram();
    void loadsOnWorkerThread();

private:
    // Absolute names are kept.
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QTemporaryDir m_dir;
};

void TstSliceDatas::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Blue, the low byte, is x + y; red and green differ so that another channel shows.
    QImage png(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            png.setPixel(x, y, qRgb(200, 7, x + y));
    QVERIFY(png.save(path("a64.png")));
    const auto halfXMinusZ = [](int x, int z) { return (x - z) * 0.5; };
    writeTestFile(m_dir, "b64.dat", writerText(64, {0, 0, 64, 64}, halfXMinusZ));
    writeTestFile(m_dir, "c32.dat", writerText(32, {0, 0, 32, 32}, xPlus100Z));
    writeTestFile(m_dir, "constant64.dat",
                  writerText(64, {0, 0, 64, 64}, [](int, int) { return 7.0; }));
    writeTestFile(m_dir, "garbage.txt", "not a slice\n1 2 3\n");
}

void accepts(const char* fault, Reader reader, const QByteArray& text, QSize size,
             const QList<Point>& points, double vMin, double vMax)
{
    QTest::newRow(fault) << text << int(reader) << size << points << vMin << vMax;
}

void refuses(const char* fault, Reader reader, const QByteArray& text)
{
    accepts(fault, reader, text, QSize(), {}, 0, 0);
}

void TstSliceDatas::readers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("reader");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<Point>>("points");
    QTest::addColumn<double>("vMin");
    QTest::addColumn<double>("vMax");

    // The writer steps x from int(3.5) while below 30.5 and z from int(4.25) while below 20.
    accepts("ct: a fractional Range bound read as 0 or the grid not int(x0)..ceil(x1)", CtImg,
            writerText(32, {3.5, 4.25, 30.5, 20}, xPlus100Z), {28, 16},
            {{0, 0, 403}, {27, 0, 430}, {27, 15, 1930}}, 403, 1930);
    accepts("ct: data lines before the Range lines kept", CtImg,
            Ct + "0 0 50\n" + ranges("0", "0", "1", "1") + "0\t0\t1\n1\t1\t2\n", {2, 2},
            {{0, 0, 1}, {1, 1, 2}, {1, 0, 0}}, 1, 2);
    accepts("ct: points outside the grid stored or non-finite values in the range", CtImg,
            Ct + ranges("2", "2", "3", "3") +
                "2 2 1\n3 3 2\n4 2 90\n1 2 90\n2 9 90\n3 2 nan\n2 3 inf\n",
            {2, 2}, {{0, 0, 1}, {1, 1, 2}, {1, 0, 0}, {0, 1, 0}}, 1, 2);
    accepts("ct: a value that is no number not read as 0", CtImg,
            Ct + ranges("0", "0", "1", "1") + "0 0 5\n1 0 abc\n", {2, 2}, {{0, 0, 5}, {1, 0, 0}}, 0,
            5);
    accepts("ct: a line cut short stored", CtImg,
            Ct + ranges("0", "0", "1", "1") + "0 0 1\n1 0 2\n0 1 3\n1\t", {2, 2},
            {{0, 0, 1}, {0, 1, 3}, {1, 1, 0}}, 1, 3);
    refuses("ct: Range_X1 of 0 accepted", CtImg,
            Ct + ranges("0", "0", "0", "3") + "0 0 1\n0 1 2\n");
    refuses("ct: a large Range in a tiny file allocated", CtImg,
            Ct + ranges("0", "0", "4095", "4095") + "0 0 1\n1 0 2\n");
    refuses("ct: a Range beyond int converted", CtImg,
            Ct + ranges("0", "0", "1e300", "inf") + "0 0 1\n");
    refuses("ct: the first line missing", CtImg, ranges("0", "0", "1", "1") + "0 0 1\n1 1 2\n");
    refuses("ct: cut in the header", CtImg, Ct + ranges("0", "0", "1", "1").left(40));
    refuses("ct: binary after the first line", CtImg,
            QByteArray("#CIRVO-CTImg\n\x00\xff\x01 2\n\x7f", 20));
    refuses("ct: empty file", CtImg, {});

    // X-NUM 11 gives 10 columns: the 11th column and row of points fall outside.
    accepts("pos: the grid not one smaller than X-NUM, or the last column stored", PosValue,
            posValue11(), {10, 10}, {{0, 0, 705}, {9, 0, 714}, {9, 9, 1614}}, 705, 1614);
    accepts("pos: commas and blanks not the same separators", PosValue,
            Pos + "5,7,1.5\n6 7 2.5\n5,\t8 , 3\n6,8,4,9\n", {2, 2},
            {{0, 0, 1.5}, {1, 0, 2.5}, {0, 1, 3}, {1, 1, 4}}, 1.5, 4);
    accepts("pos: a short line taken as the origin", PosValue, Pos + "42\n\n5 7 1\n6 8 2\n", {2, 2},
            {{0, 0, 1}, {1, 1, 2}}, 1, 2);
    accepts("pos: points left of the origin or non-finite values stored", PosValue,
            Pos + "5 7 1\n4 7 90\n5 6 90\n7 7 90\n6 8 nan\n6 7 inf\n5 8 2\n", {2, 2},
            {{0, 0, 1}, {0, 1, 2}, {1, 0, 0}, {1, 1, 0}}, 1, 2);
    refuses("pos: sizes after the first point used", PosValue,
            "## 240301\n1 1 1\n# X-NUM 3\n# Y-NUM 3\n");
    refuses("pos: an X-NUM that is no integer used", PosValue,
            "## 240301\n# X-NUM 3.5\n# Y-NUM 3\n0 0 1\n1 1 2\n");
    refuses("pos: a huge X-NUM in a tiny file allocated", PosValue,
            "## 240301\n# X-NUM 2000000000\n# Y-NUM 2000000000\n0 0 1\n");
    refuses("pos: the first line missing", PosValue, "# X-NUM 3\n# Y-NUM 3\n0 0 1\n1 1 2\n");
    refuses("pos: empty file", PosValue, {});
}

void TstSliceDatas::readers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, reader);
    QFETCH(QSize, size);
    const QString file = writeTestFile(m_dir, "reader.txt", text);
    SliceRecord r;
    QCOMPARE(reader == CtImg ? r.readCtImg(file) : r.readPosValue(file), size.isValid());
    if (!size.isValid())
        return;
    QCOMPARE(QSize(r.sw, r.sh), size);
    QFETCH(QList<Point>, points);
    for (const Point& p : points)
        QCOMPARE(r.value(p.x, p.y), p.v);
    QTEST(r.vMin, "vMin");
    QTEST(r.vMax, "vMax");
}

void TstSliceDatas::loading_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<double>("allMin");
    QTest::addColumn<double>("allMax");

    // a64: blue x + y, 0 .. 126; b64: (x - z) / 2, -31.5 .. 31.5.
    QTest::newRow("a picture and a text of one size not both kept, or another size kept")
        << QStringList{"a64.png", "b64.dat", "c32.dat"} << QStringList{"a64.png", "b64.dat"}
        << -31.5 << 126.0;
    QTest::newRow("the size not taken from the first readable file")
        << QStringList{"missing.dat", "garbage.txt", "c32.dat", "b64.dat"} << QStringList{"c32.dat"}
        << 0.0 << 3131.0;
    // The first readable slice gives the size even when it is then dropped as constant.
    QTest::newRow("a constant slice kept, or its size not taken")
        << QStringList{"constant64.dat", "c32.dat", "b64.dat"} << QStringList{"b64.dat"} << -31.5
        << 31.5;
    QTest::newRow("nothing readable not cleared or not finished")
        << QStringList{"missing.dat", "garbage.txt", "."} << QStringList{} << 0.0 << 1.0;
    const QDir bad(QStringLiteral(CIRVO_BAD_DIR "/slices"));
    QStringList malformed;
    for (const QString& name : bad.entryList(QDir::Files))
        malformed << bad.filePath(name);
    QTest::newRow("a malformed file kept or dropped without a message")
        << malformed << QStringList{} << 0.0 << 1.0;
}

void TstSliceDatas::loading()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, kept);
    for (QStringList* list : {&files, &kept})
        for (QString& f : *list)
            f = path(f);
    SliceDatas datas;
    datas.filesSelected({path("b64.dat")});
    QSignalSpy cleared(&datas, &SliceDatas::cleared);
    QSignalSpy newFile(&datas, &SliceDatas::loadedNewFile);
    QSignalSpy finished(&datas, &SliceDatas::loadFilesFinished);
    const MessageLog log("cirvo.view3d");

    datas.filesSelected(files);

    QCOMPARE(cleared.count(), 1);
    QCOMPARE(finished.count(), 1);
    QStringList named;
    for (const QList<QVariant>& args : newFile)
        named << args.at(0).toString();
    QCOMPARE(named, kept);
    QCOMPARE(datas.count(), kept.size());
    QCOMPARE(datas.loaded, !kept.isEmpty());
    QCOMPARE(datas.histReady, !kept.isEmpty());
    for (int i = 0; i < datas.count(); ++i)
        QCOMPARE(datas.slices[size_t(i)]->isImage, kept[i].endsWith(".png"));
    QTEST(datas.allMin, "allMin");
    QTEST(datas.allMax, "allMax");
    QCOMPARE(datas.rangeLo, datas.allMin);
    QCOMPARE(datas.rangeHi, datas.allMax);
    for (const QString& f : files)
        QVERIFY2(kept.contains(f) || log.has(QString(), f), qPrintable(f + u'\n' + log.all()));
}

void TstSliceDatas::histogram_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("bin");

    // 0 and 49 make the bin width 1: bin i holds i - 0.5 .. i + 0.5.
    QTest::newRow("0.4 not in the first bin") << 0.4 << 0;
    QTest::newRow("0.6 not in the second bin") << 0.6 << 1;
    QTest::newRow("the largest value not in the last bin") << 49.0 << 49;
    QTest::newRow("24.5 not rounded up") << 24.5 << 25;
}

void TstSliceDatas::histogram()
{
    QFETCH(double, value);
    QFETCH(int, bin);
    const QByteArray v = QByteArray::number(value);
    const QString file = writeTestFile(m_dir, "hist.dat",
                                       Ct + ranges("0", "0", "1", "1") + "0 0 0\n1 0 49\n0 1 " + v +
                                           "\n1 1 " + v + '\n');
    SliceDatas datas;
    datas.filesSelected({file});
    QVERIFY(datas.histReady);
    QCOMPARE(datas.binWidth, 1.0);
    std::vector<int> expected(50, 0);
    ++expected[0];
    ++expected[49];
    expected[size_t(bin)] += 2;
    QCOMPARE(datas.hist, expected);
    QCOMPARE(datas.histMax, double(expected[size_t(bin)]));
    QCOMPARE(datas.histPicture.size(), QSize(50, 100));
    // The tallest bar reaches the top row; an empty bin leaves its column white above the base.
    QCOMPARE(datas.histPicture.pixel(bin, 0), qRgb(0, 220, 160));
    QCOMPARE(datas.histPicture.pixel(bin, 99), qRgb(0, 220, 160));
    QCOMPARE(datas.histPicture.pixel(bin == 30 ? 31 : 30, 50), qRgb(255, 255, 255));
}

void TstSliceDatas::loadsOnWorkerThread()
{
    QThread thread;
    SliceDatas datas;
    datas.moveToThread(&thread);
    thread.start();
    QSignalSpy newFile(&datas, &SliceDatas::loadedNewFile);
    QSignalSpy finished(&datas, &SliceDatas::loadFilesFinished);
    QMetaObject::invokeMethod(&datas, "filesSelected", Qt::QueuedConnection,
                              Q_ARG(QStringList, QStringList({path("a64.png"), path("b64.dat")})));
    QVERIFY(finished.wait());
    QCOMPARE(newFile.count(), 2);
    QCOMPARE(datas.count(), 2);
    QVERIFY(datas.histReady);
    thread.quit();
    QVERIFY(thread.wait());
}

QTEST_MAIN(TstSliceDatas)
#include "tst_slicedatas.moc"
