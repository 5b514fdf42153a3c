#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "phantom/phantomwriter.h"
#include "recon/ctcalc2.h"
#include "recon/fbpfilter.h"
#include "recon/ringfilter.h"
#include "recon/slicefiles.h"
#include "testseries.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// cirvo-recon end to end: its data files equal the multi-slice worker's text for the same inputs.
class tst_cirvorecon : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    static int runTool(const QStringList& args, QByteArray* err = nullptr)
    {
        QProcess p;
        // A run that unexpectedly succeeds must not litter the working directory.
        p.setWorkingDirectory(QDir::tempPath());
        p.start(CIRVO_RECON_EXE, args);
        if (!p.waitForFinished(60000))
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // The worker's data text for one slice, computed in this process.
    static QByteArray workerText(const QStringList& raws, const QString& i0, const QString& bg,
                                 bool rotAxIsV, double cor, int slice, const Ct2Inputs& base)
    {
        ImgDatas set;
        for (const QString& f : raws)
            for (int k = 0, n = ImgDatas::frameCountOf(f); k < n; ++k)
                set.add(f, k);
        std::shared_ptr<ImgData> i0img = ImgData::createImgData(ImgData::Itex);
        std::shared_ptr<ImgData> bgimg = ImgData::createImgData(ImgData::Itex);
        i0img->fileName = i0;
        i0img->valid = i0img->load(0);
        bgimg->fileName = bg;
        bgimg->valid = bgimg->load(0);
        set.setI0Slot(&i0img);
        set.setBGSlot(&bgimg);
        Ct2Inputs in = base;
        in.images = set.snapshot();
        in.params.dataSetImages = set.count();
        if (!in.usePartial)
            in.params.usingImages = set.count();
        CtCalc2 worker;
        worker.setInputs(in);
        worker.prepare(0, set.count());
        worker.setSaveData(true, "", "", "");
        QByteArray text;
        QObject::connect(&worker, &CtCalc2::saveDataWDiscard,
                         [&text](const SavingData& d) { text = d.data; });
        worker.startCt(&worker, rotAxIsV, cor, slice, false);
        return text;
    }

    QString phantom(const QString& dir, PhantomWriter::Axis axis, PhantomWriter::Layout layout)
    {
        PhantomWriter::Settings s;
        s.outDir = path(dir);
        s.width = 40;
        s.height = 12;
        s.projections = 36;
        s.axis = axis;
        s.layout = layout;
        s.truth = false;
        QString error;
        if (!PhantomWriter(s).write(&error))
            qWarning("%s", qPrintable(error));
        return s.outDir;
    }

    QString series(const QString& dir)
    {
        writeTestSeries(path(dir), QStringLiteral("phantom"), 40, 4, 36);
        return path(dir);
    }

    // Every file of a folder by name, with its bytes.
    static QMap<QString, QByteArray> contents(const QString& dir)
    {
        QMap<QString, QByteArray> out;
        for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::Files)) {
            QFile f(info.filePath());
            if (f.open(QIODevice::ReadOnly))
                out.insert(info.fileName(), f.readAll());
        }
        return out;
    }

    static QStringList raws(const QString& dir)
    {
        QStringList files;
        for (const QFileInfo& f :
             QDir(dir).entryInfoList({"phantom*.his", "phantom_*.img"}, QDir::Files, QDir::Name))
            files << f.absoluteFilePath();
        return files;
    }

private slots:
    void sameBytesAsTheWorker_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("multiFrame");
        QTest::addColumn<double>("cor");
        QTest::addColumn<int>("slice");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("vertical, multi-frame") << true << true << 20.0 << 6 << QStringList{};
        QTest::newRow("single-frame files") << true << false << 20.0 << 3 << QStringList{};
        QTest::newRow("horizontal") << false << true << 6.0 << 7 << QStringList{};
        QTest::newRow("fractional cor") << true << true << 19.5 << 5 << QStringList{};
        QTest::newRow("partial") << true << true << 20.0 << 5 << QStringList{"--partial", "5:20"};
        QTest::newRow("region, limits, offset")
            << true << true << 20.0 << 5
            << QStringList{"--region", "3,4.5,30,20", "--limits", "0:0.004", "--offset", "1"};
        QTest::newRow("padded hann filter")
            << true << true << 20.0 << 6 << QStringList{"--filter", "hann", "--pad"};
        QTest::newRow("ring filter, unpadded cosine")
            << true << true << 20.0 << 6 << QStringList{"--rings", "sort:5", "--filter", "cosine"};
        QTest::newRow("single precision, padded hann")
            << true << true << 19.5 << 5
            << QStringList{"--precision", "single", "--filter", "hann", "--pad"};
        QTest::newRow("range and origin")
            << true << true << 20.0 << 5 << QStringList{"--range", "170", "--origin", "12.5"};
    }

    void sameBytesAsTheWorker()
    {
        QFETCH(bool, vertical);
        QFETCH(bool, multiFrame);
        QFETCH(double, cor);
        QFETCH(int, slice);
        QFETCH(QStringList, extra);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
        const QString dir =
            phantom("set_" + tag,
                    vertical ? PhantomWriter::Axis::Vertical : PhantomWriter::Axis::Horizontal,
                    multiFrame ? PhantomWriter::Layout::His : PhantomWriter::Layout::Img);
        const QStringList files = raws(dir);
        QVERIFY(!files.isEmpty());
        const QString out = path("out_" + tag);
        QStringList args = files;
        args << "--i0" << dir + "/I0.img"
             << "--bg" << dir + "/BG.img"
             << "--axis" << (vertical ? "v" : "h") << "--cor" << QString::number(cor, 'g', 17)
             << "--slices" << QString::number(slice) << "--out" << out << "--name"
             << "s"
             << "--save"
             << "data"
             << "--threads"
             << "2" << extra;
        QByteArray err;
        QCOMPARE(runTool(args, &err), 0);

        Ct2Inputs base;
        base.params.dataSetRangeDeg = 180;
        for (int i = 0; i < extra.size(); ++i) {
            const QString& o = extra.at(i);
            if (o == "--pad") {
                base.params.filter.pad = true;
                continue;
            }
            const QString v = extra.value(++i);
            if (o == "--precision") {
                base.params.singlePrecision = v == "single";
            } else if (o == "--filter") {
                base.params.filter.window = *FbpFilter::windowFromName(v);
            } else if (o == "--rings") {
                QString why;
                base.params.rings = *RingOptions::parse(v, &why);
            } else if (o == "--partial") {
                base.usePartial = true;
                base.params.startImageNo = v.section(':', 0, 0).toInt();
                base.params.usingImages = v.section(':', 1, 1).toInt();
            } else if (o == "--region") {
                const QStringList r = v.split(',');
                base.region = {r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble()};
                base.regionSet = true;
            } else if (o == "--limits") {
                base.params.lowerLimit = v.section(':', 0, 0).toDouble();
                base.params.upperLimit = v.section(':', 1, 1).toDouble();
            } else if (o == "--offset") {
                base.params.offset = v.toDouble();
            } else if (o == "--range") {
                base.params.dataSetRangeDeg = v.toDouble();
            } else if (o == "--origin") {
                base.params.angleOriginDeg = v.toDouble();
            }
        }
        const QByteArray expected =
            workerText(files, dir + "/I0.img", dir + "/BG.img", vertical, cor, slice, base);
        QVERIFY(expected.startsWith("#CIRVO-CTImg\n"));
        QFile written(out + "/s--" + SliceFiles::number(slice) + ".dat");
        QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(written.fileName()));
        QVERIFY(written.readAll() == expected);
    }

    // The float files hold the values of the data file before its limits and offset (which has
    // six digits); the stack has a page per slice in slice order, the same bits as the slice's
    // own file. Read back with the image reader.
    void floatFilesHoldTheDataValues()
    {
        const QString dir =
            phantom("floats", PhantomWriter::Axis::Vertical, PhantomWriter::Layout::His);
        const QString out = path("floats_out");
        QCOMPARE(runTool({dir + "/phantom.his", "--i0", dir + "/I0.img", "--slices", "8:2:3",
                          "--limits", "-1e300:1e300", "--offset", "0", "--out", out, "--name", "s",
                          "--tag", "E1", "--save", "data,tiff,tiff-stack,h5"}),
                 0);
        QVERIFY(QFileInfo(out + "/s-E1.h5").size() > 0);
        const QString stack = out + "/s-E1.tif";
        QCOMPARE(ImgDatas::frameCountOf(stack), 3);
        const QList<int> slices{8, 5, 2};
        for (int page = 0; page < slices.size(); ++page) {
            const QString number = SliceFiles::number(slices[page]);
            auto own = ImgData::createImgData(ImgData::Tiff);
            own->fileName = out + "/s-E1-" + number + ".tif";
            auto paged = ImgData::createImgData(ImgData::Tiff);
            paged->fileName = stack;
            QVERIFY(own->load(0) && paged->load(page));
            QCOMPARE(paged->width, own->width);
            std::vector<double> row(size_t(own->width));
            std::vector<double> pageRow(size_t(own->width));
            QFile data(out + "/s-E1-" + number + ".dat");
            QVERIFY(data.open(QIODevice::ReadOnly));
            int lines = 0;
            while (!data.atEnd()) {
                const QList<QByteArray> f = data.readLine().trimmed().split('\t');
                if (f.size() != 3)
                    continue;
                const int x = f[0].toInt();
                own->row(f[1].toInt(), row.data());
                paged->row(f[1].toInt(), pageRow.data());
                QCOMPARE(pageRow[size_t(x)], row[size_t(x)]);
                const double text = f[2].toDouble();
                QVERIFY2(std::abs(row[size_t(x)] - text) <= 5e-6 * std::abs(text), f[2]);
                ++lines;
            }
            QCOMPARE(lines, own->width * own->height);
        }
    }

    void sameFilesWhateverTheWorkers_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("files"); // of slices 1 to 10
        // Faults caught: a worker's result saved under another slice's name, a slice lost or
        // written twice when workers share the list, stack pages or HDF5 slices placed in the
        // order the workers finish, idle workers that write anything.
        QTest::newRow("data, png, 3 workers") << "data,png" << 3 << 20;
        QTest::newRow("data, tiff, tiff stack, 3 workers") << "data,tiff,tiff-stack" << 3 << 21;
        QTest::newRow("data, h5, more workers than slices") << "data,h5" << 12 << 11;
    }

    void sameFilesWhateverTheWorkers()
    {
        QFETCH(QString, save);
        QFETCH(int, threads);
        QFETCH(int, files);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_');
        const QString dir =
            phantom("workers_" + tag, PhantomWriter::Axis::Vertical, PhantomWriter::Layout::His);
        const auto run = [&](int workers) {
            const QString out = path(QStringLiteral("workers_%1_%2").arg(tag).arg(workers));
            const int status =
                runTool({dir + "/phantom.his", "--i0", dir + "/I0.img", "--bg", dir + "/BG.img",
                         "--cor", "20", "--slices", "1:10", "--out", out, "--name", "s", "--tag",
                         "E1", "--save", save, "--threads", QString::number(workers)});
            return status == 0 ? contents(out) : QMap<QString, QByteArray>{};
        };
        const QMap<QString, QByteArray> one = run(1);
        QCOMPARE(one.size(), files);
        const QMap<QString, QByteArray> many = run(threads);
        QCOMPARE(many.keys(), one.keys());
        for (auto it = one.cbegin(); it != one.cend(); ++it)
            QVERIFY2(many.value(it.key()) == it.value(), qPrintable(it.key()));

        Ct2Inputs base;
        base.params.dataSetRangeDeg = 180;
        for (const int slice : {1, 4, 10}) {
            const QByteArray text =
                workerText(raws(dir), dir + "/I0.img", dir + "/BG.img", true, 20, slice, base);
            QVERIFY(text.startsWith("#CIRVO-CTImg\n"));
            QVERIFY2(one.value("s-E1-" + SliceFiles::number(slice) + ".dat") == text,
                     qPrintable(QString::number(slice)));
        }
    }

    void rangesOfSlicesAndPictures()
    {
        const QString dir =
            phantom("range", PhantomWriter::Axis::Vertical, PhantomWriter::Layout::His);
        const QString out = path("range_out");
        QCOMPARE(runTool({dir + "/phantom.his", "--slices", "9:3:3", "--out", out, "--name", "",
                          "--tag", "E1", "--sub-folders", "energy"}),
                 0);
        for (const char* n : {"00009", "00006", "00003"}) {
            QVERIFY(QFile::exists(out + "/E1/E1-" + n + ".dat"));
            QVERIFY(!QImage(out + "/E1/E1-" + QString(n) + ".png").isNull());
        }
        QVERIFY(!QFile::exists(out + "/E1/E1-00004.dat"));
    }

    void reportsTheDistanceFromTheGroundTruth()
    {
        PhantomWriter::Settings ps;
        ps.outDir = path("truth");
        ps.width = 64;
        ps.height = 8;
        ps.projections = 90;
        QString error;
        QVERIFY2(PhantomWriter(ps).write(&error), qPrintable(error));
        QProcess p;
        p.start(CIRVO_RECON_EXE, {ps.outDir + "/phantom.his", "--i0", ps.outDir + "/I0.img", "--bg",
                                  ps.outDir + "/BG.img", "--slices", "4", "--save", "", "--truth",
                                  ps.outDir + "/truth.his"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression("slice 4: relative RMS error ([0-9.e-]+)").match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        QVERIFY2(m.captured(1).toDouble() < 0.3, qPrintable(out));
    }

    void autoCentreOnPhantoms_data()
    {
        QTest::addColumn<double>("cor");
        QTest::addColumn<double>("range");
        QTest::newRow("axis in the middle") << 32.0 << 180.0;
        QTest::newRow("axis 15 % off the middle, between samples") << 41.6 << 180.0;
        QTest::newRow("full turn: the angles of a 360-degree set") << 27.3 << 360.0;
    }

    void autoCentreOnPhantoms()
    {
        QFETCH(double, cor);
        QFETCH(double, range);
        PhantomWriter::Settings ps;
        ps.outDir = path(QStringLiteral("auto%1").arg(cor));
        ps.width = 64;
        ps.height = 6;
        ps.projections = 120;
        ps.range = range;
        ps.cor = cor;
        ps.truth = false;
        QString error;
        QVERIFY2(PhantomWriter(ps).write(&error), qPrintable(error));
        QProcess p;
        p.start(CIRVO_RECON_EXE, {ps.outDir + "/phantom.his", "--i0", ps.outDir + "/I0.img", "--bg",
                                  ps.outDir + "/BG.img", "--range", QString::number(range),
                                  "--slices", "1:4", "--cor", "auto", "--save", ""});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression("centre of rotation found at ([0-9.]+)").match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        QVERIFY2(std::abs(m.captured(1).toDouble() - cor) <= 0.1, qPrintable(out));
    }

    void badInputIsRefusedWithOneLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("missing file") << "missing" << QByteArray("cannot read");
        QTest::newRow("wrong magic") << "magic" << QByteArray("cannot read");
        QTest::newRow("truncated frame") << "truncated" << QByteArray("cannot read");
        QTest::newRow("mismatched size") << "mismatch" << QByteArray("cannot use frame 0");
        QTest::newRow("cor out of range") << "cor" << QByteArray("outside the line");
        QTest::newRow("unknown filter") << "filter" << QByteArray("--filter takes ramp|");
        QTest::newRow("unknown ring method") << "rings" << QByteArray("unknown ring filter");
        QTest::newRow("unknown output") << "save" << QByteArray("--save takes some of");
        QTest::newRow("unknown precision") << "precision" << QByteArray("--precision takes");
        QTest::newRow("automatic cor without an object")
            << "nocor" << QByteArray("cannot find the centre of rotation");
        QTest::newRow("bad option") << "option" << QByteArray("--axis takes v or h");
        QTest::newRow("unwritable output") << "unwritable" << QByteArray("could not be written");
        QTest::newRow("slice step 0") << "step0" << QByteArray("needs a step other than 0");
        QTest::newRow("slices of four parts")
            << "parts" << QByteArray("--slices takes A[:B[:S]], not \"1:2:3:4\"");
        QTest::newRow("slice beyond int")
            << "huge" << QByteArray("--slices needs a whole number, not \"99999999999\"");
    }

    void badInputIsRefusedWithOneLine()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, message);
        const QString dir =
            phantom("bad", PhantomWriter::Axis::Vertical, PhantomWriter::Layout::Img);
        const QString good = dir + "/phantom_00000.img";
        QStringList args{good, dir + "/phantom_00001.img"};
        const auto writeBytes = [&](const QString& name, const QByteArray& bytes) {
            QFile f(path(name));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            return f.fileName();
        };
        QFile g(good);
        QVERIFY(g.open(QIODevice::ReadOnly));
        const QByteArray bytes = g.readAll();
        if (kind == "missing")
            args << path("nothing.img");
        else if (kind == "magic")
            args << writeBytes("magic.img", "MI" + bytes.mid(2));
        else if (kind == "truncated")
            args << writeBytes("cut.img", bytes.left(bytes.size() - 10));
        else if (kind == "mismatch") {
            ItexWriter small(path("small.img"), 10, 10, SampleType::U16, 1,
                             ItexWriter::standardComment(10, 10, 1));
            const std::vector<double> pixels(100, 5.0);
            QVERIFY(small.appendFrame(pixels.data()) && small.commit());
            args << path("small.img");
        } else if (kind == "cor")
            args << "--cor"
                 << "39.5";
        else if (kind == "filter")
            args << "--filter"
                 << "gauss";
        else if (kind == "rings")
            args << "--rings"
                 << "wavelet:3";
        else if (kind == "save")
            args << "--save"
                 << "data,tif";
        else if (kind == "precision")
            args << "--precision"
                 << "half";
        else if (kind == "nocor")
            args = QStringList{dir + "/I0.img", dir + "/I0.img", dir + "/I0.img",  "--cor",
                               "auto",          "--out",         path("nocor_out")};
        else if (kind == "option")
            args << "--axis"
                 << "x";
        else if (kind == "unwritable")
            args << "--out" << writeBytes("plainfile", "x") + "/sub";
        else if (kind == "step0")
            args << "--slices"
                 << "1:3:0";
        else if (kind == "parts")
            args << "--slices"
                 << "1:2:3:4";
        else if (kind == "huge")
            args << "--slices"
                 << "1:99999999999";
        QByteArray err;
        QCOMPARE(runTool(args, &err), 1);
        QVERIFY2(err.startsWith("cirvo-recon: ") && err.contains(message), err.constData());
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(!QFile::exists(path("nocor_out")));
    }

    void seriesListsSetsWithTheirI0()
    {
        const QString dir = series("list");
        // The I0 files are named out of energy order: the nearest energy must decide.
        QVERIFY(QFile::rename(dir + "/i0/I0-7100eV-001.img", dir + "/i0/I0-7100eV-zz.img"));
        QProcess p;
        p.start(CIRVO_RECON_EXE,
                {"--series", dir + "/brel", "--layout", "brel", "--i0-dir", dir + "/i0", "--list"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
        const QStringList i0{"I0-7080eV-001.img", "I0-7100eV-zz.img", "I0-7120eV-001.img",
                             "I0-7140eV-001.img"};
        for (int set = 1; set <= 4; ++set) {
            const QStringList fields = lines.value(set).split(' ', Qt::SkipEmptyParts);
            QCOMPARE(fields.value(0), QString::number(set));
            QCOMPARE(fields.value(2).toDouble(), 7060.0 + 20 * set);
            QCOMPARE(fields.value(3), QStringLiteral("36"));
            QCOMPARE(QFileInfo(fields.value(4)).fileName(), i0[set - 1]);
        }
    }

    void seriesSkipsABadSetAndGoesOn()
    {
        const QString dir = series("skip");
        // Set 2 of another size: its images are refused, so nothing may carry its tag.
        QDir(dir + "/dirs/7100eV").removeRecursively();
        phantom("skip/dirs/7100eV", PhantomWriter::Axis::Vertical, PhantomWriter::Layout::Img);
        const QString out = path("skip-out");
        QByteArray err;
        QCOMPARE(runTool({"--series", dir + "/dirs", "--layout", "dirs", "--pattern", "*.img",
                          "--sets", "1:3", "--save", "data", "--out", out},
                         &err),
                 1);
        QVERIFY2(err.contains("set 2 (7100eV, 2 of 3): skipped: ") &&
                     err.contains("1 data set(s) skipped: 2"),
                 err.constData());
        QCOMPARE(QDir(out).entryList({"*.dat"}, QDir::Files, QDir::Name),
                 (QStringList{"slice-7080eV-00002.dat", "slice-7120eV-00002.dat"}));
    }

    void seriesRefusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("data directory without sets")
            << QStringList{"--series", "EMPTY", "--layout", "dirs"}
            << QByteArray("no data sets in");
        QTest::newRow("missing meta file")
            << QStringList{"--series", "S/zeph", "--layout", "zeph", "--meta", "S/none.meta"}
            << QByteArray("names no data set");
        QTest::newRow("binary meta file")
            << QStringList{"--series", "S/zeph", "--layout", "zeph", "--meta", "BINARY"}
            << QByteArray("names no data set");
        QTest::newRow("meta lines without files")
            << QStringList{"--series", "S/zeph", "--layout", "zeph", "--meta", "NOFILES"}
            << QByteArray("names no data set");
        QTest::newRow("I0 names without energy")
            << QStringList{"--series", "S/dirs", "--layout",     "dirs",
                           "--i0-dir", "S",      "--i0-pattern", "BG.img"}
            << QByteArray("has an energy in its name");
        QTest::newRow("unknown layout") << QStringList{"--series", "S/dirs", "--layout", "flat"}
                                        << QByteArray("--layout takes");
        QTest::newRow("zeph without meta")
            << QStringList{"--series", "S/zeph", "--layout", "zeph"} << QByteArray("needs --meta");
        QTest::newRow("bad set range")
            << QStringList{"--series", "S/dirs", "--sets", "3:1"} << QByteArray("--sets needs");
        QTest::newRow("series option alone")
            << QStringList{"x.img", "--sets", "1:2"} << QByteArray("--sets needs --series");
    }

    void seriesRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        const QString dir = series("refusals");
        QDir().mkpath(path("empty"));
        const auto writeBytes = [&](const QString& name, const QByteArray& bytes) {
            QFile f(path(name));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            return f.fileName();
        };
        for (QString& a : args) {
            a.replace("EMPTY", path("empty")).replace("S/", dir + "/");
            if (a == "S")
                a = dir;
            else if (a == "BINARY")
                a = writeBytes("binary.meta", QByteArray("\x00\xff\x01\n\x7f\x80\r\n", 8));
            else if (a == "NOFILES")
                a = writeBytes("nofiles.meta", "F header\n1 7.08 a\n2 7.1 \"b c\"\n");
        }
        QByteArray err;
        QCOMPARE(runTool(args, &err), 1);
        QVERIFY2(err.startsWith("cirvo-recon: ") && err.contains(message), err.constData());
        QCOMPARE(err.count('\n'), 1);
    }
};

QTEST_GUILESS_MAIN(tst_cirvorecon)
#include "tst_cirvorecon.moc"
