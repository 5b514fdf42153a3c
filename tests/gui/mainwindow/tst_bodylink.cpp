#include "config/config.h"
#include "display/rawdisp.h"
#include "mainwindow/body.h"
#include "testfile.h"
#include "testseries.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// The window paces the companion program over loopback: the files of a slice, then the
// analysis, slice after slice, each request sent only after the previous one was answered.
namespace
{

const char* const IdleStyle = "background-color: rgb(213, 245, 255);";

// A companion that records every line and answers each request at once with "ISBUSY 0 COMMAND",
// or, with dropOnRequest, closes the connection instead of answering.
class Companion : public QObject
{
public:
    Companion()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] { read(); });
        });
    }

    // The requests received, greetings left out.
    QStringList requests() const
    {
        QStringList r = lines;
        r.removeAll(QStringLiteral("myName Cirvo"));
        return r;
    }

    QTcpServer server;
    QTcpSocket* peer = nullptr;
    QStringList lines;
    bool dropOnRequest = false;

private:
    void read()
    {
        while (peer && peer->canReadLine()) {
            const QString line = QString::fromLatin1(peer->readLine()).chopped(1);
            lines << line;
            if (line.startsWith(QLatin1String("myName")))
                continue;
            if (dropOnRequest) {
                peer->disconnectFromHost();
                peer = nullptr;
                return;
            }
            peer->write("ISBUSY 0 " + line.section(' ', 0, 0).toLatin1() + "\n");
        }
    }
};

// A window linked to the companion, saving into `dir`.
struct Linked {
    explicit Linked(Companion& companion)
    {
        Config::instance().enter(
            "Zandor", "127.0.0.1",
            QStringLiteral(" 127.0.0.1 %1").arg(companion.server.serverPort()));
        body = std::make_unique<Body>(1);
        QTRY_VERIFY_WITH_TIMEOUT(!companion.lines.isEmpty(), 5000);
    }
    std::unique_ptr<Body> body;
};

void contRange(Ui_Body& ui, int from, int to, int step)
{
    ui.procCtrl->setSliceFrom(from);
    ui.procCtrl->setSliceTo(to);
    ui.procCtrl->setSliceStep(step);
}

} // namespace

class tst_bodylink : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { Config::instance().enter("Zandor", "", ""); }

    void contRunPacesFilesAndAnalysis()
    {
        QTemporaryDir dir;
        for (int s : {100, 110, 120, 130})
            writeTestFile(dir, QStringLiteral("rec-e1-%1.dat").arg(s, 5, 10, QChar('0')), "x");
        Companion companion;
        Linked linked(companion);
        Ui_Body& ui = linked.body->form();
        QCOMPARE(companion.lines.first(), QStringLiteral("myName Cirvo"));
        ui.SelectDataSaveDir->setPath(dir.path());
        contRange(ui, 100, 120, 10);

        ui.Cont2DA->click();
        QVERIFY(ui.Cont2DA->styleSheet() != QLatin1String(IdleStyle));
        QTRY_COMPARE_WITH_TIMEOUT(ui.Cont2DA->styleSheet(), QLatin1String(IdleStyle), 5000);
        const QString d = dir.path();
        QCOMPARE(companion.requests(),
                 (QStringList{
                     "LOAD_I1_FILES new " + d + "/rec-e1-00100.dat", "ANALYZER_EXEC_2DA 00100",
                     "LOAD_I1_FILES new " + d + "/rec-e1-00110.dat", "ANALYZER_EXEC_2DA 00110",
                     "LOAD_I1_FILES new " + d + "/rec-e1-00120.dat", "ANALYZER_EXEC_2DA 00120"}));
    }

    void sendWithAnalysisAfterALeftClick()
    {
        QTemporaryDir dir;
        writeTestSeries(dir.filePath("s"), "ph", 48, 6, 60);
        writeTestFile(dir, "out/a-00003.dat", "x");
        Companion companion;
        Linked linked(companion);
        Ui_Body& ui = linked.body->form();
        ui.procCtrl->setRotAxIsV(true);
        QSignalSpy loaded(linked.body.get(), &Body::finishedLoadingCTFiles);
        ui.CTFiles->selectFilesInDir(dir.filePath("s/dirs/7080eV"), {"*.img"});
        QVERIFY(loaded.wait(10000));
        ui.SelectDataSaveDir->setPath(dir.filePath("out"));
        ui.SendMsg2Zandor->setChecked(true);
        ui.With2DA->setChecked(true);

        auto* raw = qobject_cast<RawDisp*>(ui.RawImgBase->content());
        emit raw->selectedAPoint(20.5, 3.7, MouseC::LeftNone);
        QCOMPARE(ui.procCtrl->sliceNo(), 3);
        const QStringList expected{"LOAD_I1_FILES new " + dir.filePath("out/a-00003.dat"),
                                   "ANALYZER_EXEC_2DA 00003"};
        QTRY_COMPARE_WITH_TIMEOUT(companion.requests(), expected, 5000);
    }

    void subFolderModes_data()
    {
        QTest::addColumn<bool>("sub");
        QTest::addColumn<bool>("ofSlice");
        QTest::addColumn<QString>("request"); // DIR stands for the data-save directory
        QTest::newRow("no sub-folders") << false << false << "LOAD_I1_FILES new DIR/top-00007.dat";
        QTest::newRow("energy sub-folders, every folder in name order")
            << true << false
            << "LOAD_I1_FILES new DIR/7080eV/a-7080eV-00007.dat DIR/7100eV/a-7100eV-00007.dat";
        QTest::newRow("slice sub-folders: the folder as a pattern")
            << true << true << "LOAD_I1_FILES_OF_PATTERN new DIR/00007/ *.dat";
    }

    void subFolderModes()
    {
        QFETCH(bool, sub);
        QFETCH(bool, ofSlice);
        QFETCH(QString, request);
        QTemporaryDir dir;
        for (const char* f : {"top-00007.dat", "top-00008.dat", "7100eV/a-7100eV-00007.dat",
                              "7080eV/a-7080eV-00007.dat", "7080eV/a-7080eV-00017.dat"})
            writeTestFile(dir, f, "x");
        Companion companion;
        Linked linked(companion);
        Ui_Body& ui = linked.body->form();
        ui.SelectDataSaveDir->setPath(dir.path());
        ui.SaveInSubFolders->setChecked(sub);
        ui.SubOfSlice->setChecked(ofSlice);
        contRange(ui, 7, 7, 1);
        ui.Cont2DA->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui.Cont2DA->styleSheet(), QLatin1String(IdleStyle), 5000);
        QCOMPARE(companion.requests(),
                 (QStringList{request.replace("DIR", dir.path()), "ANALYZER_EXEC_2DA 00007"}));
    }

    void lostConnectionEndsTheRunAndAsksNothingTwice()
    {
        QTemporaryDir dir;
        writeTestFile(dir, "a-00100.dat", "x");
        Companion companion;
        Linked linked(companion);
        Ui_Body& ui = linked.body->form();
        ui.SelectDataSaveDir->setPath(dir.path());
        contRange(ui, 100, 120, 10);
        companion.dropOnRequest = true;
        ui.Cont2DA->click();
        // The request's answer is lost with the connection: the run ends in sight.
        QTRY_COMPARE_WITH_TIMEOUT(ui.Cont2DA->styleSheet(), QLatin1String(IdleStyle), 5000);
        // The link comes back and greets again, and the slice is not asked for a second time.
        const int before = int(companion.lines.size());
        companion.dropOnRequest = false;
        QTRY_VERIFY_WITH_TIMEOUT(companion.lines.size() > before, 5000);
        QCOMPARE(companion.lines.last(), QStringLiteral("myName Cirvo"));
        QCOMPARE(companion.requests(),
                 QStringList{"LOAD_I1_FILES new " + dir.filePath("a-00100.dat")});
    }
};

QTEST_MAIN(tst_bodylink)
#include "tst_bodylink.moc"
