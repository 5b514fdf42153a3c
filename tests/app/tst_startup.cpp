#include <QProcess>
#include <QProcessEnvironment>
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
};

QTEST_GUILESS_MAIN(tst_startup)
#include "tst_startup.moc"
