// Data-set lists scanned from directories in the three layouts, and scans that must leave the
// earlier list.
#include "messagelog.h"
#include "testfile.h"
#include "xafs/datasetlist.h"

#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr int EngDirs = DataSetList::EngDirs;
constexpr int Brel = DataSetList::BrelStd;
constexpr int Zeph = DataSetList::ZephStd;

// A meta file of `count` lines numbered from 0, energy (k mod 10) + 1 keV, beside the data and
// I0 files of the first `present` numbers at width `width`; the entries show `shownWidth`.
void addZephRow(const char* row, int count, int width, int present, int shownWidth)
{
    QByteArray meta = "File Energy Note\n";
    QStringList files, entries, texts, dataFiles, i0Files;
    QList<double> energies;
    for (int k = 0; k < count; ++k) {
        const int keV = k % 10 + 1;
        meta += QByteArray::number(k) + ' ' + QByteArray::number(keV) + " note\n";
        const QString name = QStringLiteral("run_%1").arg(k, width, 10, QLatin1Char('0'));
        const QString shown = QStringLiteral("run_%1").arg(k, shownWidth, 10, QLatin1Char('0'));
        if (k >= present)
            continue;
        files << name + ".his" << name + "_I0.his";
        entries << QStringLiteral("%1 : %2.his (%3eV), %2_I0.his")
                       .arg(k + 1)
                       .arg(shown)
                       .arg(keV * 1000);
        energies << keV * 1000.0;
        texts << QStringLiteral("%1KeV").arg(keV);
        dataFiles << name + ".his";
        i0Files << name + "_I0.his";
    }
    QTest::newRow(row) << Zeph << files << meta << QString() << entries << energies << texts
                       << dataFiles << i0Files;
}

} // namespace

class tst_datasetlist : public QObject
{
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<int>("layout");
        // Made in an empty directory; a name ending in "/" is a directory. The meta file is
        // m/run.v2.meta (base name "run"), the data directory the top.
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("meta");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<double>>("energies");
        QTest::addColumn<QStringList>("energyTexts");
        // The first data file of each set, and (Zeph) its I0 file.
        QTest::addColumn<QStringList>("firstFiles");
        QTest::addColumn<QStringList>("i0Files");

        QTest::newRow("eng dirs: case-respecting order, no unit factor, files ignoring case")
            << EngDirs
            << QStringList{"8340eV/b.img", "8340eV/A.img", "8340eV/c.txt", "8_34keV/x.tif",
                           "B/",           "a/",           "top.img"}
            << QByteArray() << "*.img *.tif"
            << QStringList{"1 : 8340eV", "2 : 8_34keV", "3 : B", "4 : a"}
            << QList<double>{8340, 8.34, 0, 0} << QStringList{"8340eV", "8_34keV", "B", "a"}
            << QStringList{"8340eV/A.img", "8_34keV/x.tif", "", ""} << QStringList();
        QTest::newRow("brel: sets by key, a repeated sample name as blanks")
            << Brel << QStringList{"a-8340eV-001.img", "a-8340eV-002.img", "a-8350eV-001.img"}
            << QByteArray() << "*.img" << QStringList{"1 : a (8340[eV], 2)", "2 :   (8350[eV], 1)"}
            << QList<double>{8340, 8350} << QStringList{"8340eV", "8350eV"}
            << QStringList{"a-8340eV-001.img", "a-8350eV-001.img"} << QStringList();
        QTest::newRow("brel: keV in any case, '_' read as a point")
            << Brel << QStringList{"s-8_34keV-1.img", "s-8_34KEV-2.img"} << QByteArray() << "*.img"
            << QStringList{"1 : s (8.34[KEV], 1)", "2 :   (8.34[keV], 1)"}
            << QList<double>{8340, 8340} << QStringList{"8_34KEV", "8_34keV"}
            << QStringList{"s-8_34KEV-2.img", "s-8_34keV-1.img"} << QStringList();
        QTest::newRow("brel: pattern, case order, dashes in the sample, '%2' kept")
            << Brel << QStringList{"b-x-7eV-1.img", "B-7eV-1.img", "%2-1eV-1.img", "b-x-7eV-2.tif"}
            << QByteArray() << "*.img"
            << QStringList{"1 : %2 (1[eV], 1)", "2 : B (7[eV], 1)", "3 : b-x (7[eV], 1)"}
            << QList<double>{1, 7, 7} << QStringList{"1eV", "7eV", "7eV"}
            << QStringList{"%2-1eV-1.img", "B-7eV-1.img", "b-x-7eV-1.img"} << QStringList();
        const QString longName(120, u'x');
        QTest::newRow("brel: a long repeated sample name, 101 blanks at most")
            << Brel << QStringList{longName + "-1eV-1.img", longName + "-2eV-1.img"} << QByteArray()
            << "*.img"
            << QStringList{"1 : " + longName + " (1[eV], 1)",
                           "2 : " + QString(101, u' ') + " (2[eV], 1)"}
            << QList<double>{1, 2} << QStringList{"1eV", "2eV"}
            << QStringList{longName + "-1eV-1.img", longName + "-2eV-1.img"} << QStringList();
        // Numbers 1 (1.9 truncated), 2, 4 and 0 ("x" is no number) stay; 0 without an I0 file
        // at first is dropped, 3 has no data file but passes its I0 file on.
        QTest::newRow("zeph: F lines, quotes, I0 fallback, meta directory before data directory")
            << Zeph << QStringList{"m/run_0.his", "m/run_1.his",  "run_1.his",  "m/run_1_I0.his",
                                   "run_2.his",   "run_3_I0.his", "m/run_4.his"}
            << QByteArray("File Energy Note\n  F 9 9 skipped\n\n 0 8.33 first\n"
                          "1.9 \"8.34\" \"two words\" extra\n2 8.35\n3 8.36 d\n4 8.37 e\n"
                          "x 8.38 not-a-number\n")
            << QString()
            << QStringList{"1 : run_1.his (8340eV), run_1_I0.his",
                           "2 : run_2.his (8350eV), run_2_I0.his",
                           "3 : run_4.his (8370eV), run_4_I0.his",
                           "4 : run_0.his (8380eV), run_0_I0.his"}
            << QList<double>{8340, 8350, 8370, 8380}
            << QStringList{"8_34KeV", "8_35KeV", "8_37KeV", "8_38KeV"}
            << QStringList{"m/run_1.his", "run_2.his", "m/run_4.his", "m/run_0.his"}
            << QStringList{"m/run_1_I0.his", "m/run_1_I0.his", "run_3_I0.his", "run_3_I0.his"};
        addZephRow("zeph: 120 entries from 0, width 3", 120, 3, 120, 3);
        addZephRow("zeph: 100 entries, width 2", 100, 2, 100, 2);
        addZephRow("zeph: 11 read at width 2, 10 kept shown at width 1", 11, 2, 10, 1);
    }

    void scan()
    {
        QFETCH(int, layout);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, meta);
        QFETCH(QString, pattern);
        QTemporaryDir dir;
        for (const QString& f : files)
            f.endsWith(u'/') ? void(QDir().mkpath(dir.filePath(f)))
                             : void(writeTestFile(dir, f, {}));

        const auto l = DataSetList::Layout(layout);
        DataSetList list;
        if (l == DataSetList::EngDirs)
            list.scanEnergyDirs(dir.path());
        else if (l == DataSetList::BrelStd)
            QVERIFY(list.scanBrel(dir.path(), pattern));
        else
            QVERIFY(list.scanZeph(writeTestFile(dir, "m/run.v2.meta", meta), dir.path()));

        QStringList texts, firstFiles, i0Files;
        QList<double> energies;
        const QDir top(dir.path());
        const auto relative = [&](const QString& p) {
            return p.isEmpty() ? p : top.relativeFilePath(p);
        };
        for (int i = 0; i < list.count(l); ++i) {
            energies << list.energy(l, i);
            texts << list.energyText(l, i);
            firstFiles << relative(list.files(l, i, pattern.split(u' ')).value(0));
            if (l == DataSetList::ZephStd)
                i0Files << relative(list.zeph().items().at(i).i0Path);
        }
        QTEST(list.entries(l), "entries");
        QTEST(energies, "energies");
        QTEST(texts, "energyTexts");
        QTEST(firstFiles, "firstFiles");
        QTEST(i0Files, "i0Files");
        // Past the end: nothing.
        QCOMPARE(list.energy(l, list.count(l)), 0.0);
        QVERIFY(list.energyText(l, -1).isEmpty());
        QVERIFY(list.files(l, list.count(l), {}).isEmpty());
    }

    void refused_data()
    {
        // "meta": the bytes as a meta file bad.meta; "missing", "directory": no file there;
        // "brel": a Brel scan with the bytes as its pattern.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("brel: no file matches") << "brel" << QByteArray("*.tif") << "";
        QTest::newRow("brel: a blank does not split the pattern")
            << "brel" << QByteArray("*.img *.tif") << "";
        QTest::newRow("zeph: missing")
            << "missing" << QByteArray() << "^Can't open Zeph Meta File .*bad\\.meta$";
        QTest::newRow("zeph: a directory")
            << "directory" << QByteArray() << "^Can't open Zeph Meta File .*bad\\.meta$";
        QTest::newRow("zeph: empty") << "meta" << QByteArray() << "";
        QTest::newRow("zeph: F and blank lines only")
            << "meta" << QByteArray("F 1 8.34 a\n \t \n\tFile\r\n") << "";
        static const char binary[] = "\x00\x01\xff\xfe 1\n\x80\x00\r\r\n2 \xc3";
        QTest::newRow("zeph: binary bytes")
            << "meta" << QByteArray(binary, sizeof binary - 1) << "";
        QTest::newRow("zeph: lines without files")
            << "meta" << QByteArray("1 8.34 a\n2 8.35 b\n") << "";
        QTest::newRow("zeph: unclosed quote")
            << "meta" << QByteArray("1 \"8.34 open\n")
            << "item is started from quote but not ended by quote";
        QTest::newRow("zeph: huge, negative and NaN numbers")
            << "meta"
            << QByteArray("1e300 1 a\n-1e300 1 b\n1e400 1 c\n-5 1 d\nnan 1 e\ninf 1 f\n"
                          "-inf 1 g\n99999999999999999999 1 h\n2147483648 1 i\n")
            << "";
        QTest::newRow("zeph: 100000 lines")
            << "meta" << QByteArray("7 8.34 a\n").repeated(100000) << "";
    }

    void refused()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        for (const char* f : {"a-1eV-1.img", "run_1.his", "run_1_I0.his"})
            writeTestFile(dir, f, {});
        DataSetList list;
        QVERIFY(list.scanBrel(dir.path(), "*.img"));
        QVERIFY(list.scanZeph(writeTestFile(dir, "run.meta", "1 8.34 a\n"), dir.path()));
        const QStringList brel = list.entries(DataSetList::BrelStd);
        const QStringList zeph = list.entries(DataSetList::ZephStd);

        const QString bad = dir.filePath("bad.meta");
        if (kind == "meta")
            writeTestFile(dir, "bad.meta", bytes);
        else if (kind == "directory")
            QVERIFY(QDir().mkpath(bad));
        MessageLog log;
        if (kind == "brel")
            QVERIFY(!list.scanBrel(dir.path(), QString::fromUtf8(bytes)));
        else
            QVERIFY(!list.scanZeph(bad, dir.path()));
        QCOMPARE(list.entries(DataSetList::BrelStd), brel);
        QCOMPARE(list.entries(DataSetList::ZephStd), zeph);
        if (message.isEmpty())
            QVERIFY2(log.isEmpty(), log.all());
        else
            QVERIFY2(log.count(message) >= 1, log.all());
    }
};

QTEST_GUILESS_MAIN(tst_datasetlist)
#include "tst_datasetlist.moc"
