#include "imageio/imgdata.h"
#include "testfile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{

// What one command line must have written, read back through the image readers.
struct Written {
    QString projections; // the file of the projection checked, its last frame
    int frames = 1;
    QSize size;
    double exposure = 1.0;
    double i0 = 0.0; // I0 at pixel (0, 0), where the flat field is the full level: BG + level
    double bg = 0.0;
    bool vertical = true;
    double cor = 0.0;
};

std::unique_ptr<ImgData> frameOf(const QString& path, int frame)
{
    auto img = ImgData::createImgData(ImgData::fileType(path));
    if (!img)
        return nullptr;
    img->fileName = path;
    img->valid = img->load(frame);
    return img->valid ? std::move(img) : nullptr;
}

// The sample at detector position u of slice v, whichever way the axis lies.
double sample(const ImgData& img, bool vertical, int u, int v)
{
    std::vector<double> row(size_t(img.width));
    return vertical ? img.row(v, row.data())[u] : img.row(u, row.data())[v];
}

} // namespace

Q_DECLARE_METATYPE(Written)

// Runs cirvo-phantom as a user would and reads its files back as the program reads them.
class tst_cirvophantom : public QObject
{
    Q_OBJECT

    QProcess m_process;

    int run(const QString& dir, const QStringList& args)
    {
        m_process.setWorkingDirectory(dir);
        m_process.start(CIRVO_PHANTOM_EXE, args);
        if (!m_process.waitForFinished(60000) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

private slots:
    void writes_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("files");
        QTest::addColumn<Written>("written");
        const QString set = "BG.img I0.img phantom.his phantom.txt truth.his";
        QTest::newRow("size and projections")
            << "--width 24 --height 6 --projections 5" << set
            << Written{"phantom.his", 5, {24, 6}, 1, 30100, 100, true, 12};
        QTest::newRow("one file per projection, name, exposure, axis off centre")
            << "--layout img --name s --width 24 --height 4 --exposure 0.25 --cor 8 "
               "--projections 3 --no-truth"
            << "BG.img I0.img phantom.txt s_00000.img s_00001.img s_00002.img"
            << Written{"s_00002.img", 1, {24, 4}, 0.25, 30100, 100, true, 8};
        QTest::newRow("u8 with its own default counts")
            << "--pixel-type u8 --width 8 --height 4 --projections 2" << set
            << Written{"phantom.his", 2, {8, 4}, 1, 205, 5, true, 4};
        QTest::newRow("f32 keeps fractions of counts")
            << "--pixel-type f32 --i0 1000.25 --bg 0.5 --width 8 --height 2 --projections 1" << set
            << Written{"phantom.his", 1, {8, 2}, 1, 1000.75, 0.5, true, 4};
        QTest::newRow("horizontal axis: slices are columns")
            << "--axis h --width 4 --height 20 --projections 2" << set
            << Written{"phantom.his", 2, {4, 20}, 1, 30100, 100, false, 10};
        // The first energy has the highest open-beam level, the one given.
        QTest::newRow("series in the Zeph layout, energies sorted")
            << "--series --energies 7120,7100 --layouts zeph --width 16 --height 4 --projections 3"
            << "BG.img i0/I0-7100eV-001.img i0/I0-7120eV-001.img series.txt "
               "truth/truth-7100eV.his truth/truth-7120eV.his zeph/phantom.meta "
               "zeph/phantom_1.his zeph/phantom_1_I0.his zeph/phantom_2.his zeph/phantom_2_I0.his"
            << Written{"zeph/phantom_1.his", 3, {16, 4}, 1, 30100, 100, true, 8};
        QTest::newRow("series in dirs and brel")
            << "--series --energies 7080,7140 --layouts brel,dirs --i0 5000 --bg 20 --exposure 2 "
               "--projections 2 --width 10 --height 3 --no-truth"
            << "BG.img brel/phantom-7080eV-00000.img brel/phantom-7080eV-00001.img "
               "brel/phantom-7140eV-00000.img brel/phantom-7140eV-00001.img "
               "dirs/7080eV/phantom_00000.img dirs/7080eV/phantom_00001.img "
               "dirs/7140eV/phantom_00000.img dirs/7140eV/phantom_00001.img "
               "i0/I0-7080eV-001.img i0/I0-7140eV-001.img series.txt"
            << Written{"dirs/7080eV/phantom_00001.img", 1, {10, 3}, 2, 5020, 20, true, 5};
    }

    void writes()
    {
        QFETCH(QString, args);
        QFETCH(QString, files);
        QFETCH(Written, written);
        QTemporaryDir dir;
        const QDir out(dir.filePath("out"));
        QCOMPARE(run(dir.path(), QStringList{"--out", out.path()} + args.split(' ')), 0);
        QVERIFY(m_process.readAllStandardOutput().startsWith("Wrote "));
        const QStringList names = files.split(' ');
        QCOMPARE(filesBelow(out.path()), names);

        // The open beam of the first energy: the one of a data set, the first of a series.
        const QString openBeam = names.filter(QRegularExpression("^(i0/)?I0")).value(0);
        const auto raw = frameOf(out.filePath(written.projections), written.frames - 1);
        const auto open = frameOf(out.filePath(openBeam), 0);
        const auto dark = frameOf(out.filePath("BG.img"), 0);
        QVERIFY(raw && open && dark);
        QCOMPARE(raw->frameCount, written.frames);
        QCOMPARE(QSize(raw->width, raw->height), written.size);
        QCOMPARE(raw->expTime, written.exposure);
        QCOMPARE(sample(*open, true, 0, 0), written.i0);
        double lowest = 0;
        double highest = 0;
        dark->minMax(lowest, highest);
        QCOMPARE(lowest, written.bg);
        QCOMPARE(highest, written.bg);

        // The phantom lies within min(cor, n - 1 - cor) - 2 of the axis: rays beyond see the
        // open beam, the ray through the axis in the middle slice does not.
        const bool v = written.vertical;
        const int n = v ? raw->width : raw->height;
        const int slices = v ? raw->height : raw->width;
        const double reach = std::min(written.cor, n - 1 - written.cor) - 2;
        for (int s = 0; s < slices; ++s)
            for (int u = 0; u < n; ++u)
                if (std::abs(u - written.cor) > reach)
                    QCOMPARE(sample(*raw, v, u, s), sample(*open, v, u, s));
        const int axis = int(written.cor);
        QVERIFY(sample(*raw, v, axis, slices / 2) < sample(*open, v, axis, slices / 2));

        const QStringList truths = names.filter("truth");
        if (truths.isEmpty())
            return;
        const auto truth = frameOf(out.filePath(truths.first()), slices - 1);
        QVERIFY(truth);
        QCOMPARE(truth->frameCount, slices);
        QCOMPARE(QSize(truth->width, truth->height), QSize(n, n));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--colour"} << "Unknown option 'colour'";
        QTest::newRow("stray argument") << QStringList{"extra"} << "unexpected argument \"extra\"";
        QTest::newRow("width not a whole number")
            << QStringList{"--width", "8.5"} << "--width expects a whole number, not \"8.5\"";
        QTest::newRow("range not a number")
            << QStringList{"--range", "half"} << "--range expects a number";
        QTest::newRow("unknown axis") << QStringList{"--axis", "d"} << "--axis expects v|h";
        QTest::newRow("energies without --series")
            << QStringList{"--energies", "7100"} << "--energies applies to --series only";
        QTest::newRow("one layout in a series")
            << QStringList{"--series", "--layout", "img"} << "--layout applies to one data set";
        QTest::newRow("a word among the energies")
            << QStringList{"--series", "--energies", "7100,edge"}
            << "--energies expects numbers separated by";
        QTest::newRow("unknown layout of a series")
            << QStringList{"--series", "--layouts", "dirs,tif"} << "--layouts expects some of";
        QTest::newRow("image too narrow")
            << QStringList{"--width", "1"} << "image size 1 x 256 is outside";
        QTest::newRow("output directory is a file")
            << QStringList{"--out", "file"} << "cannot create the directory file";
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        writeTestFile(dir, "file", "kept");
        QCOMPARE(run(dir.path(), args), 1);
        const QString err = QString::fromLocal8Bit(m_process.readAllStandardError());
        QVERIFY2(err.startsWith("cirvo-phantom: ") && err.count('\n') == 1, qPrintable(err));
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(m_process.readAllStandardOutput().isEmpty());
        QCOMPARE(filesBelow(dir.path()), QStringList{"file"});
    }
};

QTEST_GUILESS_MAIN(tst_cirvophantom)
#include "tst_cirvophantom.moc"
