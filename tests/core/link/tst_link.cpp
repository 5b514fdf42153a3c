// The companion link over loopback, against an in-process peer and the stand-in companion.
#include "link/zandorlink.h"

#include "config/config.h"
#include "messagelog.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <memory>

namespace
{

const QByteArray Greeting = "myName Cirvo\n";
const QString Linked = QStringLiteral("background-color: rgb(211, 255, 241);");
const QString Wanted = QStringLiteral("background-color: rgb(255, 243, 162);");
const QString Idle = QStringLiteral("background-color: rgb(176, 192, 192);");

// The link with its line buffer and timer in view; records the largest buffer it saw.
class TestLink : public ZandorLink
{
public:
    void readyRead() override
    {
        ZandorLink::readyRead();
        maxPending = std::max(maxPending, rxBuffer.pendingBytes());
    }
    qsizetype pending() const { return rxBuffer.pendingBytes(); }
    bool retrying() const { return reconnectTimer.isActive(); }
    qsizetype maxPending = 0;
};

// The companion's side: the latest connection and everything it received.
class Peer
{
public:
    Peer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* next = server.nextPendingConnection()) {
                conn = next;
                QObject::connect(next, &QTcpSocket::readyRead, next,
                                 [this, next] { received += next->readAll(); });
            }
        });
    }
    void enterEndpoint() const
    {
        Config::instance().enter("Zandor", "127.0.0.1",
                                 QStringLiteral(" 127.0.0.1 %1").arg(server.serverPort()));
    }
    void write(const QByteArray& bytes)
    {
        conn->write(bytes);
        conn->flush();
    }

    QTcpServer server;
    QPointer<QTcpSocket> conn;
    QByteArray received;
};

} // namespace

class tst_link : public QObject
{
    Q_OBJECT

    // A link to `peer`, greeted.
    std::unique_ptr<TestLink> linkTo(Peer& peer)
    {
        peer.enterEndpoint();
        auto link = std::make_unique<TestLink>();
        link->doConnect();
        if (!QTest::qWaitFor([&] { return link->isLinked() && peer.received == Greeting; }))
            return {};
        return link;
    }

private slots:
    // First: configuration entries are never removed, and the later tests enter theirs.
    void endpoint_data()
    {
        QTest::addColumn<QString>("rest");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("no entry: the local machine, 6078") << QString() << "localhost" << 6078;
        QTest::newRow("host and port") << " otherhost 7000"
                                       << "otherhost" << 7000;
        QTest::newRow("port no number reads 0") << " otherhost seven"
                                                << "otherhost" << 0;
    }
    void endpoint()
    {
        QFETCH(QString, rest);
        QFETCH(QString, host);
        QFETCH(int, port);
        if (!rest.isNull())
            Config::instance().enter("zandor", rest.section(' ', 1, 1), rest);
        ZandorLink link;
        QCOMPARE(link.hostName(), host);
        QCOMPARE(link.portNumber(), port);
    }

    // Idle, wanted, linked; the companion away for a while and back; the user ending the link.
    void lifecycle()
    {
        Peer peer;
        peer.enterEndpoint();
        TestLink link;
        QSignalSpy style(&link, &ZandorLink::linkButtonStyleChanged);
        QSignalSpy greeted(&link, &ZandorLink::connected);
        link.setLinkButtonStyle();
        QCOMPARE(style.last().at(0).toString(), Idle);
        link.doConnect();
        QCOMPARE(style.last().at(0).toString(), Wanted);
        QTRY_COMPARE(peer.received, Greeting);
        QCOMPARE(style.last().at(0).toString(), Linked);
        QVERIFY(!greeted.isEmpty());

        const quint16 port = peer.server.serverPort();
        peer.server.close();
        peer.conn->close();
        QTRY_VERIFY(!link.isLinked());
        QCOMPARE(style.last().at(0).toString(), Wanted);
        QVERIFY(link.retrying());
        QSignalSpy attempts(&link, &TcpClient::statChanged);
        QTRY_VERIFY_WITH_TIMEOUT(attempts.count() >= 2, 5000);
        peer.received.clear();
        QVERIFY(peer.server.listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, Greeting, 5000);
        QVERIFY(link.isLinked());
        QVERIFY(!link.retrying());

        // Ended while linked: closed without a goodbye greeting, and no retries.
        link.doDisconnect();
        QTRY_COMPARE(peer.conn->state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(!link.isLinked());
        QVERIFY(!link.retrying());
        QCOMPARE(style.last().at(0).toString(), Idle);
        QCOMPARE(peer.received, Greeting);
    }

    void requests_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("files joined by one blank")
            << 0 << QStringList{"/d/a-00012.dat", "/d/b-00012.dat"}
            << QByteArray("LOAD_I1_FILES new /d/a-00012.dat /d/b-00012.dat\n");
        QTest::newRow("slice number as given")
            << 1 << QStringList{"00012"} << QByteArray("ANALYZER_EXEC_2DA 00012\n");
        QTest::newRow("pattern path with a blank, unquoted")
            << 2 << QStringList{"/d/run 1"}
            << QByteArray("LOAD_I1_FILES_OF_PATTERN new /d/run 1 *.dat\n");
    }
    void requests()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, sent);
        Peer peer;
        const auto link = linkTo(peer);
        QVERIFY(link);
        QSignalSpy busy(link.get(), &ZandorLink::changedIsBusy);
        const auto request = [&] {
            kind == 0   ? link->loadFiles(args)
            : kind == 1 ? link->exec2dA(args.first())
                        : link->loadFilesOfPattern(args.first());
        };
        request();
        QVERIFY(link->busy());
        QCOMPARE(busy.count(), 1);
        QTRY_COMPARE(peer.received, Greeting + sent);

        // Asked again while busy: only the greeting goes out, and the link is idle again.
        request();
        QVERIFY(!link->busy());
        QCOMPARE(busy.last().at(0).toBool(), false);
        QTRY_COMPARE(peer.received, Greeting + sent + Greeting);
        link->loadFiles({});
        QTRY_COMPARE(peer.received, Greeting + sent + Greeting + Greeting);
        QVERIFY(!link->busy());
    }

    // The peer's writes, then the state; "END" marks that everything before it was read.
    void reports_data()
    {
        QTest::addColumn<bool>("busyBefore");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<bool>("busyAfter");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArrayList>("lines");
        const auto row = [](const char* name, bool before, QByteArrayList writes, bool after,
                            const char* command, QByteArrayList lines) {
            QTest::newRow(name) << before << writes << after << QString(command) << lines;
        };
        row("report in lower case", true, {"isbusy 0 load_i1_files\n"}, false, "LOAD_I1_FILES",
            {"isbusy 0 load_i1_files"});
        row("busy report names no command", false, {"ISBUSY 1 LOAD_I1_FILES\n"}, true, "",
            {"ISBUSY 1 LOAD_I1_FILES"});
        row("ISBUSY alone empties the command", false, {"ISBUSY 0 A\nISBUSY\n"}, false, "",
            {"ISBUSY 0 A", "ISBUSY"});
        row("ISBUSY alone keeps busy", true, {"ISBUSY\n"}, true, "", {"ISBUSY"});
        row("non-numeric flag is not busy", true, {"ISBUSY yes CMD\n"}, false, "CMD",
            {"ISBUSY yes CMD"});
        row("blanks and carriage return", false, {"\t ISBUSY   01 \r\n"}, true, "",
            {"\t ISBUSY   01 \r"});
        row("other lines ignored", true, {"HELLO 0 X\nISBUSYX 0 Y\n"}, true, "",
            {"HELLO 0 X", "ISBUSYX 0 Y"});
        row("two lines in one write", false, {"ISBUSY 1\nISBUSY 0 A\n"}, false, "A",
            {"ISBUSY 1", "ISBUSY 0 A"});
        row("one line over two writes", false, {"ISBU", "SY 1\n"}, true, "", {"ISBUSY 1"});
        row("empty lines emit nothing", false, {"\n\nISBUSY 1\n\n"}, true, "", {"ISBUSY 1"});
        // The malformed streams: every complete line arrives, none is taken for what it is not.
        const auto badRow = [&](const char* name, bool before, bool after, const char* command) {
            QFile file(QStringLiteral(CIRVO_BAD_DIR "/link/") + QLatin1String(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QByteArrayList lines = bytes.split('\n');
            lines.removeAll(QByteArray());
            row(name, before, {bytes}, after, command, lines);
        };
        badRow("nul-and-binary.txt", false, false, "");
        badRow("non-utf8.txt", true, false, "X");
        badRow("carriage-return-only.txt", false, true, "");
    }
    void reports()
    {
        QFETCH(bool, busyBefore);
        QFETCH(QByteArrayList, writes);
        QFETCH(bool, busyAfter);
        QFETCH(QString, command);
        QFETCH(QByteArrayList, lines);
        Peer peer;
        const auto link = linkTo(peer);
        QVERIFY(link);
        if (busyBefore)
            link->exec2dA("00001");
        QSignalSpy received(link.get(), &TcpClient::receiveAnMsg);
        QByteArray written;
        for (const QByteArray& bytes : writes) {
            peer.write(bytes);
            written += bytes;
            QTRY_COMPARE(link->pending(), written.size() - written.lastIndexOf('\n') - 1);
        }
        peer.write("\nEND\n");
        QTRY_VERIFY(!received.isEmpty() && received.last().at(0).toByteArray() == "END");
        QCOMPARE(link->busy(), busyAfter);
        QCOMPARE(link->busyCommand(), command);
        QByteArrayList got;
        for (int i = 0; i < received.count() - 1; ++i)
            got << received.at(i).at(0).toByteArray();
        QCOMPARE(got, lines);
    }

    // A peer that never ends its line: the buffer stays bounded and the next line still counts.
    void longLineIsDropped()
    {
        Peer peer;
        const auto link = linkTo(peer);
        QVERIFY(link);
        MessageLog log("cirvo.link");
        QSignalSpy received(link.get(), &TcpClient::receiveAnMsg);
        const QByteArray chunk(64 * 1024, 'x');
        for (int i = 0; i < 32; ++i)
            peer.write(chunk);
        peer.write("\nISBUSY 1\n");
        QTRY_VERIFY(link->busy());
        QCOMPARE(received.count(), 1);
        QVERIFY2(link->maxPending <= LineSplitter::DefaultMaxLineBytes,
                 QByteArray::number(link->maxPending));
        QCOMPARE(log.count("^Dropped a line longer than 65536 bytes from 127.0.0.1:"), 1);
    }

    void stubAnswersRequests()
    {
#ifndef CIRVO_STUB
        QSKIP("cirvo-companion-stub is not built in a core-only build");
#else
        QProcess stub;
        stub.start(QStringLiteral(CIRVO_STUB),
                   {"--port", "0", "--delay", "10", "--quit-after", "1"});
        QTRY_VERIFY(stub.canReadLine());
        const QByteArray first = stub.readLine();
        QVERIFY2(first.startsWith("listening on "), first);
        Config::instance().enter("Zandor", "127.0.0.1", " 127.0.0.1 " + first.mid(13).trimmed());
        ZandorLink link;
        link.doConnect();
        QTRY_VERIFY(link.isLinked());
        link.exec2dA("00012");
        QTRY_VERIFY(!link.busy());
        QCOMPARE(link.busyCommand(), "ANALYZER_EXEC_2DA");
        QTRY_COMPARE(stub.state(), QProcess::NotRunning);
        QCOMPARE(stub.exitCode(), 0);
        const QByteArray log = stub.readAllStandardOutput();
        QVERIFY2(log.contains("< myName Cirvo\n< ANALYZER_EXEC_2DA 00012\n"), log);
        QVERIFY2(log.contains("> ISBUSY 0 ANALYZER_EXEC_2DA\n"), log);
#endif
    }
};

QTEST_GUILESS_MAIN(tst_link)
#include "tst_link.moc"
