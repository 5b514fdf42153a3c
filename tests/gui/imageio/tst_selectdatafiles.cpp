#include "imageio/datafileloader.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "selectdatafiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_selectdatafiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString touch(const QString& name)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        return QFileInfo(f).absoluteFilePath();
    }

    QString image(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        const double px[] = {1, 2, 3, 4, 5, 6};
        ItexWriter w(path, 3, 2, SampleType::U16, 1, ItexWriter::standardComment(3, 2, 1));
        if (!w.appendFrame(px) || !w.commit())
            qFatal("cannot write");
        return path;
    }

private slots:
    void newSelectionClearsTheList()
    {
        SelectDataFiles panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.appendEntry("old");
        QCOMPARE(panel.ui.Count->text(), QString("1"));
        QSignalSpy cleared(&panel, &SelectDataFiles::filesCleared);
        QSignalSpy selected(&panel, &SelectDataFiles::filesSelected);
        panel.selectFiles({"a", "b"});
        QCOMPARE(panel.count(), 0);
        QCOMPARE(panel.ui.Count->text(), QString("0"));
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toStringList(), QStringList({"a", "b"}));
        QCOMPARE(selected.at(0).at(1).toBool(), true);

        QTest::mouseClick(panel.ui.AddFiles, Qt::LeftButton);
        QVERIFY(panel.ui.AddFiles->isChecked());
        QVERIFY(!panel.newFiles());
        panel.appendEntry("kept");
        panel.selectFiles({"c"});
        QCOMPARE(panel.count(), 1);
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(selected.at(1).at(1).toBool(), false);
    }

    void multiRepeatsTheFirstFile_data()
    {
        QTest::addColumn<QString>("times");
        QTest::addColumn<int>("expected");
        QTest::newRow("180") << "180" << 180;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("not a number") << "many" << 0;
    }

    void multiRepeatsTheFirstFile()
    {
        QFETCH(QString, times);
        QFETCH(int, expected);
        SelectDataFiles panel;
        QCOMPARE(panel.ui.MultiTimes->text(), QString("180"));
        panel.ui.LoadMultiTimes->setChecked(true);
        panel.ui.MultiTimes->setText(times);
        QSignalSpy selected(&panel, &SelectDataFiles::filesSelected);
        panel.selectFiles({"first.img", "second.img"});
        const QStringList files = selected.at(0).at(0).toStringList();
        QCOMPARE(files.size(), expected);
        QCOMPARE(files.count("first.img"), expected);

        panel.selectFiles({});
        QVERIFY(selected.at(1).at(0).toStringList().isEmpty());
    }

    void directoryIsSortedIgnoringCase()
    {
        touch("b_002.img");
        touch("A_001.img");
        touch("c_003.his");
        touch("notes.txt");
        SelectDataFiles panel;
        QSignalSpy selected(&panel, &SelectDataFiles::filesSelected);
        panel.selectFilesInDir(m_dir.path(), {"*.img", "*.his"});
        QStringList names;
        for (const QString& f : selected.at(0).at(0).toStringList()) {
            QVERIFY(QFileInfo(f).isAbsolute());
            names << QFileInfo(f).fileName();
        }
        QCOMPARE(names, QStringList({"A_001.img", "b_002.img", "c_003.his"}));
    }

    void simplifiedModeAlwaysReplaces()
    {
        SelectDataFiles panel;
        panel.show();
        panel.ui.AddFiles->setChecked(true);
        panel.setSimplified("Sel. I0 File Set");
        QCOMPARE(panel.ui.Select->text(), QString("Sel. I0 File Set"));
        QVERIFY(panel.newFiles());
        for (QWidget* w :
             {static_cast<QWidget*>(panel.ui.LoadNewFiles),
              static_cast<QWidget*>(panel.ui.AddFiles),
              static_cast<QWidget*>(panel.ui.KeepConditions),
              static_cast<QWidget*>(panel.ui.LoadMultiTimes),
              static_cast<QWidget*>(panel.ui.MultiTimes), static_cast<QWidget*>(panel.ui.SepLine)})
            QVERIFY(!w->isVisible());
        QVERIFY(panel.ui.ExpTime->isVisible());
    }

    void listStepsAndFields()
    {
        SelectDataFiles panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QSignalSpy current(&panel, &SelectDataFiles::currentIndexChanged);
        for (const char* e : {"a", "b", "c"})
            panel.appendEntry(e);
        QCOMPARE(panel.ui.Count->text(), QString("3"));
        panel.select(2);
        panel.next();
        QCOMPARE(panel.ui.Selected->currentIndex(), 2);
        panel.prev();
        panel.prev();
        panel.prev();
        QCOMPARE(panel.ui.Selected->currentIndex(), 0);
        panel.select(7);
        QCOMPARE(panel.ui.Selected->currentIndex(), 0);
        QVERIFY(current.count() >= 3);
        QCOMPARE(current.last().at(0).toInt(), 0);

        QSignalSpy cleared(&panel, &SelectDataFiles::filesCleared);
        QTest::mouseClick(panel.ui.Clear, Qt::LeftButton);
        QCOMPARE(panel.count(), 0);
        QCOMPARE(panel.ui.Count->text(), QString("0"));
        QCOMPARE(cleared.count(), 1);

        QCOMPARE(panel.expTime(), 1.0);
        panel.setExpTime(0.123456789);
        QCOMPARE(panel.ui.ExpTime->text(), QString("0.123457"));
        panel.ui.ExpTime->setText("x");
        QCOMPARE(panel.expTime(), 0.0);
        panel.setMulti(true, 12);
        QVERIFY(panel.ui.LoadMultiTimes->isChecked());
        QCOMPARE(panel.ui.MultiTimes->text(), QString("12"));
    }

    void selectionsLoadIntoTheImageSet()
    {
        SelectDataFiles panel;
        ImgDatas set;
        DataFileLoader loader(&set);
        connect(&panel, &SelectDataFiles::filesSelected, &loader,
                &DataFileLoader::dataFilesSelected);
        connect(&loader, &DataFileLoader::imageLoaded, &panel, &SelectDataFiles::appendEntry);
        QSignalSpy done(&loader, &DataFileLoader::noticeFinishedLoadDataFiles);

        panel.selectFiles({image("s0.img"), image("s1.img"), image("s2.img")});
        QVERIFY(done.wait(10000));
        QCOMPARE(panel.count(), 3);
        QCOMPARE(set.count(), 3);

        panel.ui.AddFiles->setChecked(true);
        panel.selectFiles({image("s3.img"), image("s4.img")});
        QVERIFY(done.wait(10000));
        QCOMPARE(panel.count(), 5);
        QCOMPARE(set.count(), 5);

        panel.ui.LoadNewFiles->setChecked(true);
        panel.setMulti(true, 180);
        panel.selectFiles({image("s5.img")});
        QVERIFY(done.wait(10000));
        QCOMPARE(panel.count(), 180);
        QCOMPARE(set.count(), 180);
    }
};

QTEST_MAIN(tst_selectdatafiles)
#include "tst_selectdatafiles.moc"
