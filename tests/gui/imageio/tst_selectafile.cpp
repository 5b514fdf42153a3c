#include "selectafile.h"
#include "selectdir.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString Neutral = QStringLiteral("background-color: rgb(255, 255, 233);");
const QString Mint = QStringLiteral("background-color: rgb(211, 255, 241);");
const QString Pink = QStringLiteral("background-color: rgb(255, 192, 192);");

QLineEdit* edit(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(name);
}

QString firstArgument(const QSignalSpy& spy)
{
    return spy.at(0).at(0).toString();
}

} // namespace

class tst_selectafile : public QObject
{
    Q_OBJECT

private slots:
    void formOfTheFilePanel()
    {
        SelectAFile panel;
        QCOMPARE(panel.windowTitle(), QStringLiteral("Frame"));
        QCOMPARE(panel.findChild<QPushButton*>("Select")->text(), QStringLiteral("Select"));
        QCOMPARE(panel.findChild<QPushButton*>("Clear")->text(), QStringLiteral("Clear"));
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Neutral);
        QCOMPARE(panel.mode(), int(SelectAFile::OpenFile));
        panel.setMode(SelectAFile::SaveFile);
        QCOMPARE(panel.mode(), int(SelectAFile::SaveFile));
    }

    void nameAndTagHiddenUnlessShown()
    {
        SelectAFile panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QVERIFY(edit(panel, "FilePath")->isVisible());
        QVERIFY(!edit(panel, "Name")->isVisible());
        QVERIFY(!edit(panel, "AddTag")->isVisible());

        panel.showNameAndTag(true);
        QVERIFY(edit(panel, "Name")->isVisible());
        QVERIFY(edit(panel, "AddTag")->isVisible());
        edit(panel, "AddTag")->setText(QStringLiteral("_dark"));
        QCOMPARE(panel.tag(), QStringLiteral("_dark"));

        panel.showNameAndTag(false);
        QVERIFY(!edit(panel, "Name")->isVisible());
        QVERIFY(!edit(panel, "AddTag")->isVisible());
    }

    void openModeTakesTheFile_data()
    {
        QTest::addColumn<QString>("fname");
        QTest::addColumn<QString>("name");
        QTest::newRow("image file") << "/x/y/scan_0001.img"
                                    << "scan_0001";
        QTest::newRow("all extensions go") << "/x/y/flat.0.tif"
                                           << "flat";
        QTest::newRow("relative name") << "dark.his"
                                       << "dark";
    }

    void openModeTakesTheFile()
    {
        QFETCH(QString, fname);
        QFETCH(QString, name);
        SelectAFile panel;
        QSignalSpy selected(&panel, &SelectAFile::fileSelected);

        panel.fileSelected0(fname);

        QCOMPARE(edit(panel, "FilePath")->text(), fname);
        QCOMPARE(panel.path(), fname);
        QCOMPARE(edit(panel, "Name")->text(), name);
        QCOMPARE(panel.name(), name);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(firstArgument(selected), fname);
        // Whether the file is good is for the owner to say.
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Neutral);
    }

    void saveModeCreatesTheDirectory()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dir = tmp.filePath(QStringLiteral("a/b/c"));
        const QString fname = dir + QStringLiteral("/out_0001.tif");
        QVERIFY(!QDir(dir).exists());
        SelectAFile panel;
        panel.setMode(SelectAFile::SaveFile);
        panel.setStat(false);
        QSignalSpy selected(&panel, &SelectAFile::fileSelected);

        panel.fileSelected0(fname);

        QVERIFY(QDir(dir).exists());
        QCOMPARE(panel.path(), QDir(dir).absolutePath());
        QCOMPARE(panel.name(), QStringLiteral("out_0001"));
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Mint);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(firstArgument(selected), fname);
    }

    void saveModeTakesAnExistingDirectory()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        SelectAFile panel;
        panel.setMode(SelectAFile::SaveFile);

        panel.fileSelected0(tmp.filePath(QStringLiteral("recon.tif")));

        QCOMPARE(panel.path(), QDir(tmp.path()).absolutePath());
        QCOMPARE(panel.name(), QStringLiteral("recon"));
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Mint);
    }

    void saveModeReportsAnUncreatableDirectory()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString blocker = tmp.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString dir = blocker + QStringLiteral("/sub");
        const QString fname = dir + QStringLiteral("/out.tif");
        SelectAFile panel;
        panel.setMode(SelectAFile::SaveFile);
        QSignalSpy selected(&panel, &SelectAFile::fileSelected);

        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(dir)));
        panel.fileSelected0(fname);

        QVERIFY(!QFileInfo::exists(dir));
        QCOMPARE(panel.path(), dir);
        QCOMPARE(panel.name(), QStringLiteral("out"));
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Pink);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(firstArgument(selected), fname);
    }

    void clearButtonEmptiesPathAndName()
    {
        SelectAFile panel;
        panel.fileSelected0(QStringLiteral("/x/y/scan_0001.img"));
        panel.setStat(false);
        QSignalSpy cleared(&panel, &SelectAFile::clear);
        QSignalSpy selected(&panel, &SelectAFile::fileSelected);

        QTest::mouseClick(panel.findChild<QPushButton*>("Clear"), Qt::LeftButton);

        QCOMPARE(panel.path(), QString());
        QCOMPARE(panel.name(), QString());
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), Neutral);
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(selected.count(), 0);
    }

    void statusColours_data()
    {
        QTest::addColumn<bool>("good");
        QTest::addColumn<QString>("style");
        QTest::newRow("good") << true << Mint;
        QTest::newRow("bad") << false << Pink;
    }

    void statusColours()
    {
        QFETCH(bool, good);
        QFETCH(QString, style);
        SelectAFile panel;
        panel.setStat(good);
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), style);
        panel.setStat(!good);
        QVERIFY(edit(panel, "FilePath")->styleSheet() != style);
        panel.setStat(good);
        QCOMPARE(edit(panel, "FilePath")->styleSheet(), style);
    }

    void formOfTheDirectoryPanel()
    {
        SelectDir panel;
        QCOMPARE(panel.windowTitle(), QStringLiteral("Frame"));
        QCOMPARE(panel.findChild<QPushButton*>("Select")->text(), QStringLiteral("Sel. Dir"));
        QCOMPARE(edit(panel, "SelectedDir")->styleSheet(),
                 QStringLiteral("background-color: rgb(255, 255, 232);"));
    }

    void chosenDirectoryIsShownAndReported()
    {
        SelectDir panel;
        QSignalSpy selected(&panel, &SelectDir::aDirSelected);

        panel.dirSelected0(QStringLiteral("/data/ct/run7"));

        QCOMPARE(edit(panel, "SelectedDir")->text(), QStringLiteral("/data/ct/run7"));
        QCOMPARE(panel.dirName(), QStringLiteral("/data/ct/run7"));
        QCOMPARE(selected.count(), 1);
        QCOMPARE(firstArgument(selected), QStringLiteral("/data/ct/run7"));
    }

    void setDirNameIsSilent()
    {
        SelectDir panel;
        QSignalSpy selected(&panel, &SelectDir::aDirSelected);

        panel.setDirName(QStringLiteral("/data/ct/run8"));

        QCOMPARE(edit(panel, "SelectedDir")->text(), QStringLiteral("/data/ct/run8"));
        QCOMPARE(selected.count(), 0);
    }
};

QTEST_MAIN(tst_selectafile)
#include "tst_selectafile.moc"
