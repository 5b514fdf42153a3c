#include "messagelog.h"
#include "selectdatadir.h"
#include "testfile.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

QStringList comboItems(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

} // namespace

class tst_selectdatadir : public QObject
{
    Q_OBJECT

private:
    // All three layouts side by side: two energy sub-directories, Brel image files, Zeph
    // data files; the meta file lies elsewhere, so the data files are found in the data dir.
    QTemporaryDir m_data;
    QTemporaryDir m_meta;
    QString m_metaFile;

    QComboBox* subDirs(SelectDataDir& panel) { return panel.findChild<QComboBox*>("SubDirs"); }
    void click(SelectDataDir& panel, const char* name)
    {
        QTest::mouseClick(panel.findChild<QAbstractButton*>(name), Qt::LeftButton);
    }
    // The panel with `layout` checked and the data directory (and meta file) chosen.
    void choose(SelectDataDir& panel, const QString& layout)
    {
        click(panel, layout.toLatin1().constData());
        panel.setDataDir(m_data.path());
        if (layout == QLatin1String("isZephStd_"))
            panel.setZephMetaFileName(m_metaFile);
    }

private slots:
    void initTestCase()
    {
        for (const char* name :
             {"8340eV/x.img", "8350_5eV/x.img", "a-8340eV-001.img", "a-8340eV-002.img",
              "a-8350eV-001.img", "b-8_34keV-001.img", "scan_0.his", "scan_0_I0.his", "scan_1.his",
              "scan_2.his", "scan_2_I0.his"})
            writeTestFile(m_data, QString::fromLatin1(name), {});
        m_metaFile = writeTestFile(m_meta, QStringLiteral("scan.meta.txt"),
                                   "F number energy note\n0 8.34 first\n  1\t8.345  \"a b\"\n"
                                   "2 8.35 third\n\n3 8.36 no-data-file\n");
    }

    void formAtStart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("data dir button") << "Select"
                                         << "Sel. Data Dir.";
        QTest::newRow("brel") << "isBrelStd_"
                              << "Brel Std.";
        QTest::newRow("eng") << "isEngDirs_"
                             << "Eng. Dirs";
        QTest::newRow("zeph") << "isZephStd_"
                              << "Zeph";
        QTest::newRow("label") << "label"
                               << "Pattern";
        QTest::newRow("pattern") << "Pattern"
                                 << "*.img";
        QTest::newRow("set") << "Set"
                             << "Set";
        QTest::newRow("next") << "Next"
                              << "Next";
        QTest::newRow("meta button") << "SelZephMetaFile"
                                     << "Sel. Meta File";
        QTest::newRow("meta file") << "ZephMetaFile"
                                   << "";
    }

    void formAtStart()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        SelectDataDir panel;
        QObject* w = panel.findChild<QObject*>(name);
        QVERIFY(w);
        QCOMPARE(w->property("text").toString(), text);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Frame"));
        QVERIFY(panel.findChild<QRadioButton*>("isBrelStd_")->isChecked());
        QCOMPARE(panel.layout(), DataSetList::BrelStd);
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<double>>("energies");
        QTest::addColumn<QStringList>("energyTexts");
        // What Set hands over for the second entry, as text.
        QTest::addColumn<QStringList>("handed");
        const QString d = m_data.path();
        QTest::newRow("eng dirs: sub-dirs only, no unit factor; dir joined with /")
            << "isEngDirs_" << QStringList{"1 : 8340eV", "2 : 8350_5eV"}
            << QList<double>{8340, 8350.5} << QStringList{"8340eV", "8350_5eV"}
            << QStringList{d + "/8350_5eV", "*.img"};
        QTest::newRow("brel: sets by key, repeated sample blank, keV x 1000")
            << "isBrelStd_"
            << QStringList{"1 : a (8340[eV], 2)", "2 :   (8350[eV], 1)", "3 : b (8.34[keV], 1)"}
            << QList<double>{8340, 8350, 8340} << QStringList{"8340eV", "8350eV", "8_34keV"}
            << QStringList{"a-8350eV-001.img"};
        QTest::newRow("zeph: F lines skipped, missing I0 borrowed, no data file dropped")
            << "isZephStd_"
            << QStringList{"1 : scan_0.his (8340eV), scan_0_I0.his",
                           "2 : scan_1.his (8345eV), scan_1_I0.his",
                           "3 : scan_2.his (8350eV), scan_2_I0.his"}
            << QList<double>{8340, 8345, 8350} << QStringList{"8_34KeV", "8_345KeV", "8_35KeV"}
            << QStringList{d + "/scan_1.his", d + "/scan_0_I0.his", "8.345", "a b"};
    }

    void layouts()
    {
        QFETCH(QString, layout);
        QFETCH(QStringList, entries);
        QFETCH(QList<double>, energies);
        QFETCH(QStringList, energyTexts);
        QFETCH(QStringList, handed);
        SelectDataDir panel;
        QSignalSpy newSets(&panel, &SelectDataDir::newSets);
        QSignalSpy dirs(&panel, &SelectDataDir::selected);
        QSignalSpy files(&panel, &SelectDataDir::selectedFileInfoList);
        QSignalSpy his(&panel, &SelectDataDir::selectedHis);

        choose(panel, layout);

        QCOMPARE(comboItems(subDirs(panel)), entries);
        QCOMPARE(newSets.last().at(0).toInt(), entries.size());
        for (int i = 0; i < entries.size(); ++i) {
            subDirs(panel)->setCurrentIndex(i);
            QCOMPARE(panel.energy(), energies.at(i));
            QCOMPARE(panel.energyText(), energyTexts.at(i));
        }
        subDirs(panel)->setCurrentIndex(1);
        click(panel, "Set");
        QCOMPARE(dirs.count() + files.count() + his.count(), 1);
        QStringList got;
        if (!dirs.isEmpty())
            got = QStringList{dirs.at(0).at(0).toString()} + dirs.at(0).at(1).toStringList();
        for (const QFileInfo& info : files.value(0).value(0).value<QFileInfoList>())
            got.append(info.fileName());
        if (!his.isEmpty()) {
            const auto item = his.at(0).at(0).value<ZephMetaItem>();
            got = QStringList{item.dataPath, item.i0Path, item.energy, item.note};
        }
        QCOMPARE(got, handed);
    }

    void patternsSplitAtRunsOfWhiteSpace_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("patterns");
        QTest::newRow("one") << "*.img" << QStringList{"*.img"};
        QTest::newRow("a run of blanks and tabs is one cut")
            << "*.img \t *.his" << QStringList{"*.img", "*.his"};
        QTest::newRow("a leading blank keeps an empty part")
            << " *.img" << QStringList{"", "*.img"};
    }

    void patternsSplitAtRunsOfWhiteSpace()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, patterns);
        SelectDataDir panel;
        choose(panel, QStringLiteral("isEngDirs_"));
        QSignalSpy dirs(&panel, &SelectDataDir::selected);
        panel.setPattern(pattern);
        QCOMPARE(panel.patterns(), patterns);
        click(panel, "Set");
        QCOMPARE(dirs.at(0).at(1).toStringList(), patterns);
    }

    void walkingThroughTheSets_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("arg");
        QTest::addColumn<int>("current");
        // The sub-directory handed over; empty for noMoreSets.
        QTest::addColumn<QString>("handed");
        QTest::newRow("first set is set") << 0 << "first" << 2 << 2 << "e2";
        QTest::newRow("first set outside the list") << 0 << "first" << 8 << -1 << "";
        QTest::newRow("next set below the last index") << 4 << "next" << 5 << 5 << "e5";
        QTest::newRow("next set at the last index") << 5 << "next" << 5 << 5 << "";
        QTest::newRow("next set at the last entry") << 7 << "next" << 10 << 7 << "";
        QTest::newRow("Next button moves silently") << 6 << "button" << 0 << 7 << "-";
        QTest::newRow("Next button stays at the end") << 7 << "button" << 0 << 7 << "-";
    }

    void walkingThroughTheSets()
    {
        QFETCH(int, start);
        QFETCH(QString, action);
        QFETCH(int, arg);
        QFETCH(int, current);
        QFETCH(QString, handed);
        QTemporaryDir dir;
        for (int i = 0; i < 8; ++i)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("e%1").arg(i)));
        SelectDataDir panel;
        click(panel, "isEngDirs_");
        panel.setDataDir(dir.path());
        subDirs(panel)->setCurrentIndex(start);
        QSignalSpy dirs(&panel, &SelectDataDir::selected);
        QSignalSpy noMore(&panel, &SelectDataDir::noMoreSets);

        if (action == QLatin1String("first"))
            panel.setFirstSet(arg);
        else if (action == QLatin1String("next"))
            panel.setNextSet(arg);
        else
            click(panel, "Next");

        QCOMPARE(subDirs(panel)->currentIndex(), current);
        if (handed == QLatin1String("-")) {
            QCOMPARE(dirs.count() + noMore.count(), 0);
        } else if (handed.isEmpty()) {
            QCOMPARE(noMore.count(), 1);
            QCOMPARE(dirs.count(), 0);
        } else {
            QCOMPARE(noMore.count(), 0);
            QCOMPARE(dirs.at(0).at(0).toString(), dir.filePath(handed));
        }
    }

    void toggledLayoutRescansOnceAndShowsTheMetaFrameOnlyForZeph()
    {
        SelectDataDir panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        auto* frame = panel.findChild<QWidget*>("SelZephMetaFileFrame");
        QVERIFY(!frame->isVisible());
        panel.setDataDir(m_data.path());
        panel.findChild<QLineEdit*>("ZephMetaFile")->setText(m_metaFile);
        QSignalSpy newSets(&panel, &SelectDataDir::newSets);

        const QList<std::pair<const char*, int>> steps{
            {"isEngDirs_", 2}, {"isZephStd_", 3}, {"isBrelStd_", 3}, {"isEngDirs_", 2}};
        for (const auto& [radio, count] : steps) {
            click(panel, radio);
            QCOMPARE(newSets.count(), 1);
            QCOMPARE(newSets.takeFirst().at(0).toInt(), count);
            QCOMPARE(subDirs(panel)->count(), count);
            QCOMPARE(frame->isVisible(), radio == QByteArray("isZephStd_"));
        }
        panel.setIsZephStd(true);
        QCOMPARE(panel.layout(), DataSetList::ZephStd);
        QVERIFY(frame->isVisible());
    }

    void scanWithoutSetsIsReported_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("metaText");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("message");
        QTest::newRow("brel dir without matches keeps the sets") << "isBrelStd_"
                                                                 << "" << 3 << "No data sets in";
        QTest::newRow("eng dir without sub-dirs empties the list") << "isEngDirs_"
                                                                   << "" << 0 << "No data sets in";
        QTest::newRow("unreadable meta file keeps the items")
            << "isZephStd_"
            << "-" << 3 << "Can't open Zeph Meta File";
        QTest::newRow("meta file of F lines only keeps the items") << "isZephStd_"
                                                                   << "F x\nF y\n"
                                                                   << 3 << "No data sets in";
    }

    void scanWithoutSetsIsReported()
    {
        QFETCH(QString, layout);
        QFETCH(QString, metaText);
        QFETCH(int, kept);
        QFETCH(QString, message);
        QTemporaryDir empty;
        const QString metaFile = metaText == QLatin1String("-")
                                     ? empty.filePath(QStringLiteral("missing.txt"))
                                     : writeTestFile(empty, "m.txt", metaText.toLatin1());
        SelectDataDir panel;
        choose(panel, layout);
        const QStringList before = comboItems(subDirs(panel));
        subDirs(panel)->setCurrentIndex(1);
        QSignalSpy newSets(&panel, &SelectDataDir::newSets);
        MessageLog log("cirvo.xafs");

        if (layout == QLatin1String("isZephStd_"))
            panel.setZephMetaFileName(metaFile);
        else
            panel.setDataDir(empty.path());

        QVERIFY2(log.startsWith(message,
                                layout == QLatin1String("isZephStd_") ? metaFile : empty.path()),
                 log.all());
        QCOMPARE(newSets.at(0).at(0).toInt(), kept);
        QCOMPARE(comboItems(subDirs(panel)), before.first(kept));
        if (kept > 0)
            QCOMPARE(subDirs(panel)->currentIndex(), 1);
    }
};

QTEST_MAIN(tst_selectdatadir)
#include "tst_selectdatadir.moc"
