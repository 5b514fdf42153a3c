#include "i0ofimage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class tst_i0ofimage : public QObject
{
    Q_OBJECT

private slots:
    void formAtStart()
    {
        I0ofImage panel;
        QCOMPARE(panel.windowTitle(), QStringLiteral("I0 of Image"));
        QCOMPARE(panel.findChild<QLabel*>("Title")->text(), QStringLiteral("I0 of Image"));
        QCOMPARE(panel.findChild<QLineEdit*>("I0Val")->text(), QStringLiteral("1.0"));
        QCOMPARE(panel.findChild<QCheckBox*>("CalcFromXAFS")->text(),
                 QStringLiteral("Calc from XAFS file"));
        QVERIFY(!panel.calcFromXafs());
        QCOMPARE(panel.findChild<SelectAFile*>("XafsFile")->mode(), int(SelectAFile::OpenFile));
        QCOMPARE(panel.findChild<QLabel*>("label")->text(),
                 QStringLiteral("Eng. Ptn in Img F. Name :"));
        QCOMPARE(panel.engPattern(), QStringLiteral("####_####"));
    }

    void setters_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<QVariant>("arg");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("shown");
        QTest::newRow("I0 value: 6 significant digits")
            << "i0" << QVariant(0.000123456789) << "I0Val" << QVariant("0.000123457");
        QTest::newRow("I0 value: large in exponent form")
            << "i0" << QVariant(1234567.0) << "I0Val" << QVariant("1.23457e+06");
        QTest::newRow("from XAFS: 1 checks")
            << "xafs" << QVariant(1) << "CalcFromXAFS" << QVariant(true);
        QTest::newRow("from XAFS: 2 unchecks")
            << "xafs" << QVariant(2) << "CalcFromXAFS" << QVariant(false);
        QTest::newRow("XAFS file as if chosen")
            << "file" << QVariant("/d/cu_foil.dat") << "FilePath" << QVariant("/d/cu_foil.dat");
        QTest::newRow("XAFS file cleared") << "clear" << QVariant() << "FilePath" << QVariant("");
        QTest::newRow("energy pattern")
            << "pattern" << QVariant("#####") << "EngPattern" << QVariant("#####");
        QTest::newRow("title") << "title" << QVariant("I0 of I0 Image") << "Title"
                               << QVariant("I0 of I0 Image");
    }

    void setters()
    {
        QFETCH(QString, setter);
        QFETCH(QVariant, arg);
        QFETCH(QString, field);
        QFETCH(QVariant, shown);
        I0ofImage panel;
        // A state the setter must overwrite.
        panel.setCalcFromXafs(1);
        panel.setXafsFile(QStringLiteral("/old/file.dat"));
        auto* xafs = panel.findChild<SelectAFile*>("XafsFile");
        QSignalSpy chosen(xafs, &SelectAFile::fileSelected);
        QSignalSpy cleared(xafs, &SelectAFile::clear);

        if (setter == QLatin1String("i0"))
            panel.setI0Val(arg.toDouble());
        else if (setter == QLatin1String("xafs"))
            panel.setCalcFromXafs(arg.toInt());
        else if (setter == QLatin1String("file"))
            panel.setXafsFile(arg.toString());
        else if (setter == QLatin1String("clear"))
            panel.clearXafsFile();
        else if (setter == QLatin1String("pattern"))
            panel.setEngPattern(arg.toString());
        else
            panel.setTitle(arg.toString());

        QObject* w = panel.findChild<QObject*>(field);
        QCOMPARE(w->property(field == QLatin1String("CalcFromXAFS") ? "checked" : "text"), shown);
        QCOMPARE(chosen.count(), setter == QLatin1String("file") ? 1 : 0);
        QCOMPARE(cleared.count(), setter == QLatin1String("clear") ? 1 : 0);
        QCOMPARE(panel.xafsFile(), xafs->path());
    }
};

QTEST_MAIN(tst_i0ofimage)
#include "tst_i0ofimage.moc"
