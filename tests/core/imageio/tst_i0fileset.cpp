#include "imageio/i0fileset.h"

#include <QTest>

class tst_i0fileset : public QObject
{
    Q_OBJECT

private slots:
    void energyFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("eV");
        QTest::newRow("eV with underscore") << "/data/I0-8340_5eV-001.img" << 8340.5;
        QTest::newRow("keV with point") << "/data/I0-8.35keV-001.img" << 8350.0;
        QTest::newRow("keV any case") << "I0-8_35KEV-002.his" << 8350.0;
        QTest::newRow("plain number") << "I0-8333-001.img" << 8333.0;
        QTest::newRow("dated directory") << "/beam/2024-03-01/I0_x-8400eV-1.img" << 8400.0;
        QTest::newRow("one dash only") << "8350eV-001.img" << 8350.0;
        QTest::newRow("no dash") << "8350eV.img" << 8350.0;
        QTest::newRow("no number") << "I0-open-001.img" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }

    void energyFromName()
    {
        QFETCH(QString, name);
        QFETCH(double, eV);
        QCOMPARE(I0FileSet::energyFromName(name), eV);
    }

    void nearestEnergy()
    {
        I0FileSet set;
        QCOMPARE(set.nearest(8000), -1);
        set.setFiles({"I0-8300eV-1.img", "I0-8.4keV-1.img", "I0-8500eV-1.img", "I0-8400eV-2.img"});
        QCOMPARE(set.energies(), QList<double>({8300, 8400, 8500, 8400}));
        QCOMPARE(set.nearest(8310), 0);
        QCOMPARE(set.nearest(8449), 1);
        QCOMPARE(set.nearest(8450), 1); // a tie takes the first
        QCOMPARE(set.nearest(9000), 2);
        // An I0 file without an energy must not be taken for the nearest (it read as 0 eV).
        set.setFiles({"I0-open-001.img", "I0-8300eV-1.img"});
        QCOMPARE(set.nearest(10), 1);
        set.setFiles({"I0-open-001.img", "I0-dark-002.img"});
        QCOMPARE(set.nearest(8300), -1);
        set.setFiles({});
        QVERIFY(set.energies().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_i0fileset)
#include "tst_i0fileset.moc"
