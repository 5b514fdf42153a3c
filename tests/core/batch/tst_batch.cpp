#include "batch/batch.h"
#include "config/linefile.h"
#include "messagelog.h"
#include "testfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// Stands in for the main window: records every command and answers each, queued, as the main
// window does. "seq_exec_next" succeeds `nextSets` times, then writes false into the flag.
class Receiver : public QObject
{
    Q_OBJECT

public:
    explicit Receiver(Batch& batch) : m_batch(batch) {}

    QList<BatchCmd> received;
    bool answers = true;
    int nextSets = 0;

    QStringList commands() const
    {
        QStringList out;
        for (const BatchCmd& c : received)
            out << c.cmd;
        return out;
    }

signals:
    void callBatchLoad(QString fname);
    void callBatchExec();
    void callBatchCheckEnd();

public slots:
    void batchExCmd(BatchCmd cmd)
    {
        received << cmd;
        if (cmd.cmd == QLatin1String("seq_exec_next") && nextSets-- <= 0)
            m_batch.ok = false;
        if (answers)
            emit callBatchCheckEnd();
    }

private:
    Batch& m_batch;
};

// A Batch on its own thread wired to a Receiver in the test's thread.
class Interpreter
{
public:
    Interpreter() : receiver(batch)
    {
        batch.moveToThread(&thread);
        thread.start();
        QObject::connect(&receiver, &Receiver::callBatchLoad, &batch, &Batch::batchLoad);
        QObject::connect(&receiver, &Receiver::callBatchExec, &batch, &Batch::batchExec);
        QObject::connect(&receiver, &Receiver::callBatchCheckEnd, &batch, &Batch::batchCheckEnd);
        QObject::connect(&batch, &Batch::batchExCmd, &receiver, &Receiver::batchExCmd);
    }
    ~Interpreter()
    {
        thread.quit();
        thread.wait();
    }

    // Reads the interpreter's state on its thread, after everything queued to it so far.
    template <typename F> auto onThread(F f)
    {
        decltype(f()) value{};
        QMetaObject::invokeMethod(
            &batch, [&] { value = f(); }, Qt::BlockingQueuedConnection);
        return value;
    }
    bool running()
    {
        return onThread([this] { return batch.isRunning(); });
    }
    QStringList script()
    {
        return onThread([this] { return batch.lines(); });
    }

    void load(const QString& path)
    {
        emit receiver.callBatchLoad(path);
        onThread([] { return true; });
    }
    // Starts (or stops) the script and lets both sides work until it has stopped.
    bool execToEnd()
    {
        emit receiver.callBatchExec();
        return settle([this] { return !running(); });
    }
    template <typename F> bool settle(F done)
    {
        const QDeadlineTimer deadline(5000);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    QThread thread;
    Batch batch;
    Receiver receiver;
};

class tst_batch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString script(const QByteArray& text) { return writeTestFile(m_dir, "script.txt", text); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QLoggingCategory::setFilterRules(QStringLiteral("cirvo.batch.debug=true"));
    }

    void fourLinesExecuteTwoCommands()
    {
        Interpreter in;
        in.load(script("images_clear\n# only a comment\n\nct_cor 512\n"));
        QCOMPARE(in.script(), (QStringList{"images_clear", "ct_cor 512"}));
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.commands(), (QStringList{"images_clear", "ct_cor"}));
        QCOMPARE(in.receiver.received.at(1).args, QStringList{"512"});
        QCOMPARE(in.receiver.received.at(1).line, QStringLiteral("ct_cor 512"));
    }

    void loadingRemovesCommentsAndContinuedLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("script");
        QTest::newRow("comment after a command")
            << QByteArray("ct_cor 512 # the centre\n") << QStringList{"ct_cor 512 "};
        QTest::newRow("# inside double quotes")
            << QByteArray("images_load \"/data/#1/a.his\" # x\n")
            << QStringList{"images_load \"/data/#1/a.his\" "};
        QTest::newRow("# inside single quotes")
            << QByteArray("images_load '/data/#1' x\n") << QStringList{"images_load '/data/#1' x"};
        QTest::newRow("both quotes toggle one state")
            << QByteArray("a 'b \"#\" c\n") << QStringList{"a 'b \""};
        QTest::newRow("backslash at the end")
            << QByteArray("images_load a \\\nnext\n") << QStringList{"next"};
        QTest::newRow("backslash before a comment")
            << QByteArray("images_load a \\  # more\nnext\n") << QStringList{"next"};
        QTest::newRow("backslash inside") << QByteArray("a \\ b\n") << QStringList{"a \\ b"};
        QTest::newRow("blank line kept, empty dropped")
            << QByteArray("a\n   \n\nb") << QStringList{"a", "   ", "b"};
        QTest::newRow("CR LF line ends") << QByteArray("a\r\nb 1\r\n") << QStringList{"a", "b 1"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }

    void loadingRemovesCommentsAndContinuedLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, script);
        Interpreter in;
        in.load(this->script(text));
        QCOMPARE(in.script(), script);
        QCOMPARE(in.onThread([&in] { return in.batch.nextLine(); }), 0);
        QVERIFY(!in.running());
    }

    void conditionsAfterTheLastDataSet_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("nextSets");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow(":ifng :goto jumps")
            << QByteArray("start\nseq_exec_next\n:ifng :goto done\nmiddle\ndone\nlast\n") << 0
            << QStringList{"start", "seq_exec_next", "done", "last"};
        QTest::newRow(":ifok does not jump and resets the flag")
            << QByteArray("seq_exec_next\n:ifok :goto done\n:ifng :goto done\nmiddle\ndone\n") << 0
            << QStringList{"seq_exec_next", ":ifok", ":ifng", "middle", "done"};
        QTest::newRow("loop over three data sets")
            << QByteArray("loop\ncalc_exec\nseq_exec_next\n:IFOK :goto loop\nfinished\n") << 2
            << QStringList{"loop",          "calc_exec",     "seq_exec_next", "loop",
                           "calc_exec",     "seq_exec_next", "loop",          "calc_exec",
                           "seq_exec_next", ":IFOK",         "finished"};
        QTest::newRow("conditions do not nest")
            << QByteArray(":ifok :ifok :goto x\nx\n") << 0 << QStringList{":ifok", "x"};
    }

    void conditionsAfterTheLastDataSet()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, nextSets);
        QFETCH(QStringList, commands);
        Interpreter in;
        in.receiver.nextSets = nextSets;
        in.load(script(text));
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.commands(), commands);
        QVERIFY(in.batch.ok);
    }

    void gotoTargets_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("missing label: the next line")
            << QByteArray("a\n:goto nowhere\nb\n") << QStringList{"a", "b"};
        QTest::newRow("label that is a command")
            << QByteArray("first\n:goto show_orig\nskipped\nshow_orig x\nlast\n")
            << QStringList{"first", "show_orig", "last"};
        QTest::newRow("labels compare letter case")
            << QByteArray(":goto Here\nhere\nHere\n") << QStringList{"Here"};
        QTest::newRow("first of two labels")
            << QByteArray(":goto L\nskipped\nL 1\nL 2\n") << QStringList{"L", "L"};
        QTest::newRow(":end and :stop") << QByteArray("a\n:END\nb\n") << QStringList{"a"};
        QTest::newRow(":stop") << QByteArray(":Stop\nb\n") << QStringList{};
    }

    void gotoTargets()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, commands);
        Interpreter in;
        in.load(script(text));
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.commands(), commands);
    }

    void execWhileRunningStopsAfterTheCurrentCommand()
    {
        Interpreter in;
        in.load(script("a\nb\nc\n"));
        in.receiver.answers = false;
        emit in.receiver.callBatchExec();
        QVERIFY(in.settle([&in] { return in.receiver.received.size() == 1; }));
        QVERIFY(in.running());

        emit in.receiver.callBatchExec();
        QVERIFY(!in.running());
        emit in.receiver.callBatchCheckEnd();
        in.onThread([] { return true; });
        QCoreApplication::processEvents();
        QCOMPARE(in.receiver.commands(), QStringList{"a"});

        in.receiver.answers = true;
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.commands(), (QStringList{"a", "a", "b", "c"}));
    }

    void echoInCapitals()
    {
        MessageLog log;
        Interpreter in;
        in.load(script(":ECHO  hello  \"big world\"\nnext\n"));
        log.clear();
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.commands(), QStringList{"next"});
        QVERIFY(log.messages().contains(":ECHO  hello  \"big world\""));
    }

    void unreadableFilesKeepTheScript_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing.txt"
                                 << "Can't open batch file";
        QTest::newRow("a directory") << "dir"
                                     << "Can't open batch file";
        QTest::newRow("too large") << "large.txt"
                                   << "Batch file is too large :";
    }

    void unreadableFilesKeepTheScript()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QVERIFY(QDir(m_dir.path()).mkpath("dir"));
        QFile large(m_dir.filePath("large.txt"));
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(LineFile::MaxBytes + 1));
        large.close();

        MessageLog log;
        Interpreter in;
        in.load(script("kept 1\n"));
        log.clear();
        const QString path = m_dir.filePath(name);
        in.load(path);
        QCOMPARE(in.script(), QStringList{"kept 1"});
        QVERIFY(log.messages().contains(message + ' ' + path));
    }

    void malformedLinesDoNotStopTheScript()
    {
        MessageLog log;
        Interpreter in;
        QByteArray text("images_load \"no end\nbad\"  x\n");
        text += QByteArray("\x00\x01\xff\xfe garbage\n", 13);
        text += "last\n";
        in.load(script(text));
        log.clear();
        QVERIFY(in.execToEnd());
        QCOMPARE(in.receiver.received.size(), 4);
        QCOMPARE(in.receiver.received.at(0).args, QStringList{"no end"});
        QCOMPARE(in.receiver.received.at(1).cmd, QStringLiteral("bad\""));
        QCOMPARE(in.receiver.commands().last(), QStringLiteral("last"));
        const QStringList messages = log.messages();
        QVERIFY(messages.contains(
            "In a line [images_load \"no end] item is started from quote but not ended by quote"));
        QVERIFY(messages.contains(
            "In a line [bad\"  x] item is started from not quote but ended by quote"));
    }

    void controlWordLoopCanBeStopped()
    {
        // The :goto lands on itself: no command ever reaches the main window.
        QLoggingCategory::setFilterRules(QStringLiteral("cirvo.batch.debug=false"));
        Interpreter in;
        in.load(script(":goto :goto\n"));
        emit in.receiver.callBatchExec();
        // Each read queues behind the pending turn of the loop, so by the third the :goto has
        // gone round twice.
        for (int read = 0; read < 3; ++read)
            QVERIFY(in.running());
        QVERIFY(in.execToEnd());
        QVERIFY(in.receiver.received.isEmpty());
        QLoggingCategory::setFilterRules(QStringLiteral("cirvo.batch.debug=true"));
    }

    void emptyScriptStops()
    {
        Interpreter in;
        QVERIFY(in.execToEnd());
        QVERIFY(in.receiver.received.isEmpty());
        emit in.receiver.callBatchCheckEnd();
        QVERIFY(!in.running());
    }
};

QTEST_GUILESS_MAIN(tst_batch)
#include "tst_batch.moc"
