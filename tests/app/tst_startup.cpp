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

    // Starts cirvo, waits until start-up has written `marker`, then sends SIGTERM.
    static QByteArray runAndTerminate(QProcess& p, const QStringList& args,
                                      const QByteArray& marker)
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
        ::kill(pid_t(p.processId()), SIGTERM);
        p.waitForFinished(20000);
        return out + p.readAll();
    }

private slots:
    void headlessWithoutDisplayOrConfig()
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessEnvironment(withoutDisplay());
        const QByteArray out = runAndTerminate(p, {"-nw"}, "Can't open config file");
        QVERIFY2(out.contains("Can't open config file :  \"config.cfg\""), out.constData());
        QVERIFY2(!out.contains("no display found"), out.constData());
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
        const QByteArray out = runAndTerminate(p, {"-c", "mine.cfg", "-e"}, "missing.cfg");
        QVERIFY2(out.contains("no display found; running on the offscreen platform"),
                 out.constData());
        QVERIFY2(!out.contains("\"config.cfg\""), out.constData());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    void greetsTheCompanionAndEndsOnSigterm_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("companion listening") << true;
        // Nothing on the port: the link stays wanted and the program still ends cleanly.
        QTest::newRow("no companion") << false;
    }

    void greetsTheCompanionAndEndsOnSigterm()
    {
        QFETCH(bool, listening);
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
            const QByteArray out = runAndTerminate(p, args, "Zandor 127.0.0.1");
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
            ::kill(pid_t(p.processId()), SIGTERM);
            QVERIFY(p.waitForFinished(20000));
        }
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
