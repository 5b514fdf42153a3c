#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The viewer refuses what it cannot show with one line and a non-zero status.
class tst_cirvoview : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("no file") << QStringList{} << QByteArray("give one image file");
        QTest::newRow("missing file") << QStringList{"missing.img"} << QByteArray("cannot read");
        QTest::newRow("bad frame") << QStringList{"x.img", "two"} << QByteArray("cannot read");
        QTest::newRow("frame beyond the file")
            << QStringList{"one.img", "3"} << QByteArray("cannot read frame 3 of one.img");
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        QFile one(dir.filePath("one.img"));
        QVERIFY(one.open(QIODevice::WriteOnly));
        QByteArray header(64, '\0');
        header[0] = 'I';
        header[1] = 'M';
        const QByteArray comment = "Prop_ImageWidth=1,Prop_ImageHeight=1,";
        header[2] = char(comment.size());
        header[4] = 1;
        header[6] = 1;
        header[14] = 1;
        one.write(header + comment + QByteArray(1, '\7'));
        one.close();

        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(CIRVO_VIEW_EXE, args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.contains("cirvo-view: " + message), err.constData());
    }
};

QTEST_GUILESS_MAIN(tst_cirvoview)
#include "tst_cirvoview.moc"
