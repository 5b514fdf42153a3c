#include "testfile.h"

#include <QImage>
#include <QProcess>
#include <QTest>

namespace
{

// An ITEX file of u8 frames, each frame after the first behind a header of its own.
QByteArray itex(int width, int height, const QList<QByteArray>& frames)
{
    const QByteArray comment =
        QStringLiteral("Prop_ImageWidth=%1,Prop_ImageHeight=%2,").arg(width).arg(height).toLatin1();
    QByteArray header(64, '\0');
    header[0] = 'I';
    header[1] = 'M';
    header[2] = char(comment.size());
    header[4] = char(width);
    header[6] = char(height);
    header[14] = char(frames.size());
    return header + comment + frames.join(QByteArray(64, '\0'));
}

} // namespace

// The viewer shows the frame asked for, and refuses what it cannot show with one line and a
// non-zero status.
class tst_cirvoview : public QObject
{
    Q_OBJECT

private slots:
    void showsTheFrameAskedFor()
    {
        // Frame 1 is white top left and black bottom left, frame 0 the other way round.
        QTemporaryDir dir;
        writeTestFile(dir, "two.img",
                      itex(2, 2, {QByteArray("\0\x9\x9\0", 4), QByteArray("\x9\0\0\x9", 4)}));
        // The minimal platform, headless like offscreen, saves every flush of the window as
        // outputNNNN.png in the working directory.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "minimal");
        env.insert("QT_DEBUG_BACKINGSTORE", "1");
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(CIRVO_VIEW_EXE, {"two.img", "1"});
        QImage shown;
        QTRY_VERIFY_WITH_TIMEOUT(!(shown = QImage(dir.filePath("output0000.png"))).isNull(), 20000);
        p.kill();
        p.waitForFinished();
        QCOMPARE(shown.size(), QSize(700, 760));
        QCOMPARE(qGray(shown.pixel(100, 100)), 255);
        QCOMPARE(qGray(shown.pixel(100, 600)), 0);
    }

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
        writeTestFile(dir, "one.img", itex(1, 1, {QByteArray(1, '\7')}));

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
