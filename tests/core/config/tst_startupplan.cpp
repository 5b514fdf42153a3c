#include "config/config.h"
#include "config/startupplan.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_startupplan : public QObject
{
    Q_OBJECT

private slots:
    void configFileName_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default") << QStringList{"cirvo"} << "config.cfg";
        QTest::newRow("-c") << QStringList{"cirvo", "-c", "a.cfg"} << "a.cfg";
        QTest::newRow("-config wins over -c")
            << QStringList{"cirvo", "-c", "a.cfg", "-config", "b.cfg"} << "b.cfg";
        QTest::newRow("-config before -c still wins")
            << QStringList{"cirvo", "-config", "b.cfg", "-c", "a.cfg"} << "b.cfg";
    }

    void configFileName()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        Config c;
        c.parseArguments(args);
        QCOMPARE(StartupPlan::configFileName(c), expected);
    }

    void dataRoot_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("built-in") << QStringList{"cirvo"} << QByteArray() << "/built/in";
        QTest::newRow("DataRoot key with blank and comment")
            << QStringList{"cirvo"} << QByteArray("DataRoot \"/beam time/data\" # set\n")
            << "/beam time/data";
        QTest::newRow("key case matters")
            << QStringList{"cirvo"} << QByteArray("dataroot /elsewhere\n") << "/built/in";
        QTest::newRow("-d wins over DataRoot") << QStringList{"cirvo", "-d", "/from/args"}
                                               << QByteArray("DataRoot /file\n") << "/from/args";
        QTest::newRow("-d last gives empty root")
            << QStringList{"cirvo", "-d"} << QByteArray("DataRoot /file\n") << "";
        QTest::newRow("-d in the file counts too")
            << QStringList{"cirvo"} << QByteArray("-d /file/option\n") << "/file/option";
    }

    void dataRoot()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString name = dir.filePath("config.cfg");
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        Config c;
        c.parseArguments(args);
        QVERIFY(c.readFile(name));
        QCOMPARE(StartupPlan::fromConfig(c, "/built/in").dataRoot, expected);
    }

    void switches()
    {
        Config none;
        none.parseArguments(QStringList{"cirvo"});
        const StartupPlan plain = StartupPlan::fromConfig(none, {});
        QVERIFY(plain.translate);
        QVERIFY(plain.showWindow);
        QVERIFY(!plain.loadBatch);
        QVERIFY(!plain.execBatch);

        Config all;
        all.parseArguments(QStringList{"cirvo", "-b", "run.bat", "-x", "-nw", "-e"});
        const StartupPlan plan = StartupPlan::fromConfig(all, {});
        QVERIFY(!plan.translate);
        QVERIFY(!plan.showWindow);
        QVERIFY(plan.loadBatch);
        QCOMPARE(plan.batchFile, QString("run.bat"));
        QVERIFY(plan.execBatch);

        Config bare;
        bare.parseArguments(QStringList{"cirvo", "-b"});
        QVERIFY(StartupPlan::fromConfig(bare, {}).loadBatch);
        QVERIFY(StartupPlan::fromConfig(bare, {}).batchFile.isEmpty());
    }

    void configLineCanSwitchOffTranslation()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("c.cfg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("-e\n-nw\n");
        f.close();
        Config c;
        QVERIFY(c.readFile(f.fileName()));
        QVERIFY(!StartupPlan::fromConfig(c, {}).translate);
        QVERIFY(!StartupPlan::fromConfig(c, {}).showWindow);
    }
};

QTEST_GUILESS_MAIN(tst_startupplan)
#include "tst_startupplan.moc"
