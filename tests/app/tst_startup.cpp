#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// Runs the cirvo executable as a user would and ends it the way a session manager does.
class tst_startup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QProcessEnvironment withoutDisplay()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        return env;
    }

    // Starts cirvo, waits until start-up has written `marker`, then sends `signal`. A process
    // still running reads as a normal exit with status 0, so callers check its state.
    static QByteArray runAndSignal(QProcess& p, const QStringList& args, const QByteArray& marker,
                                   int signal = SIGTERM)
    {
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(CIRVO_EXE, args);
        if (!p.waitForStarted(10000))
            return "not started";
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (!out.contains(marker) && timer.elapsed() < 20000 && p.state() == QProcess::Running) {
            p.waitForReadyRead(200);
            out += p.readAll();
        }
        ::kill(pid_t(p.processId()), signal);
        p.waitForFinished(20000);
        return out + p.readAll();
    }

private slots:
    void headlessWithoutDisplayOrConfig()
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessEnvironment(withoutDisplay());
        const QByteArray out = runAndSignal(p, {"-nw"}, "Can't open config file");
        QVERIFY2(out.contains("Can't open config file :  \"config.cfg\""), out.constData());
        QVERIFY2(!out.contains("no display found"), out.constData());
        QCOMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    void windowFallsBackToOffscreen()
    {
        QFile cfg(m_dir.filePath("mine.cfg"));
        QVERIFY(cfg.open(QIODevice::WriteOnly));
        cfg.write("INCLUDE missing.cfg\n");
        cfg.close();
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessEnvironment(withoutDisplay());
        const QByteArray out = runAndSignal(p, {"-c", "mine.cfg", "-e"}, "missing.cfg");
        QVERIFY2(out.contains("no display found; running on the offscreen platform"),
                 out.constData());
        QVERIFY2(!out.contains("\"config.cfg\""), out.constData());
        QCOMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    void greetsTheCompanionAndEndsOnSignal_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<int>("signal");
        QTest::newRow("companion listening, SIGTERM") << true << SIGTERM;
        // Nothing on the port: the link stays wanted and the program still ends cleanly.
        QTest::newRow("no companion, SIGTERM") << false << SIGTERM;
        // Ctrl+C in the terminal that started a window with -nw.
        QTest::newRow("companion listening, SIGINT") << true << SIGINT;
        QTest::newRow("no companion, SIGINT") << false << SIGINT;
    }

    void greetsTheCompanionAndEndsOnSignal()
    {
        QFETCH(bool, listening);
        QFETCH(int, signal);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        if (!listening)
            server.close();
        QFile cfg(m_dir.filePath("link.cfg"));
        QVERIFY(cfg.open(QIODevice::WriteOnly));
        cfg.write(QStringLiteral("Zandor 127.0.0.1 %1\n").arg(port).toLatin1());
        cfg.close();

        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessEnvironment(withoutDisplay());
        const QStringList args{"-nw", "-e", "-c", "link.cfg"};
        if (!listening) {
            // The configuration line, run as a command at the end of start-up, marks that the
            // window and its link exist.
            const QByteArray out = runAndSignal(p, args, "Zandor 127.0.0.1", signal);
            QVERIFY2(out.contains("Zandor 127.0.0.1"), out.constData());
        } else {
            QElapsedTimer sinceStart;
            sinceStart.start();
            p.start(CIRVO_EXE, args);
            QVERIFY(server.waitForNewConnection(20000));
            QTcpSocket* peer = server.nextPendingConnection();
            while (!peer->canReadLine() && peer->waitForReadyRead(20000)) {
            }
            QCOMPARE(peer->readLine(), QByteArray("myName Cirvo\n"));
            qInfo("greeted %lld ms after the start of the process", sinceStart.elapsed());
            ::kill(pid_t(p.processId()), signal);
            QVERIFY(p.waitForFinished(20000));
        }
        QCOMPARE(p.state(), QProcess::NotRunning);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
