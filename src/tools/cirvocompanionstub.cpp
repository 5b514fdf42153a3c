// cirvo-companion-stub: stands in for Zandor, the companion analysis program, on the loopback
// interface. It logs every line it receives ("< line") and sends ("> line") on stdout and
// answers each request with an idle report naming it, so the link can be tried without Zandor.
#include "link/linesplitter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace
{

struct Options {
    quint16 port = 0;
    int delayMs = 100;
    bool busyFirst = false;
    int dropAfter = 0;
    int quitAfter = 0;
};

void print(const char* direction, const QByteArray& line)
{
    std::printf("%s ", direction);
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::printf("\n");
    std::fflush(stdout);
}

int number(const QCommandLineParser& parser, const QString& option, int max)
{
    bool ok = false;
    const int v = parser.value(option).toInt(&ok);
    if (!ok || v < 0 || v > max) {
        std::fprintf(stderr, "cirvo-companion-stub: --%s needs a number from 0 to %d\n",
                     qPrintable(option), max);
        std::exit(2);
    }
    return v;
}

Options parseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the companion program Zandor on the loopback interface."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"),
         QStringLiteral("Port to listen on (Cirvo's default, 6078); 0 takes a free one."),
         QStringLiteral("P"), QStringLiteral("6078")},
        {QStringLiteral("delay"), QStringLiteral("Milliseconds before a request is answered."),
         QStringLiteral("MS"), QStringLiteral("100")},
        {QStringLiteral("busy-first"),
         QStringLiteral("Report busy at once when a request arrives.")},
        {QStringLiteral("drop-after"),
         QStringLiteral("Close a connection after it sent N lines; 0: never."), QStringLiteral("N"),
         QStringLiteral("0")},
        {QStringLiteral("quit-after"), QStringLiteral("Exit after N answers; 0: never."),
         QStringLiteral("N"), QStringLiteral("0")},
    });
    parser.process(app);
    Options o;
    o.port = quint16(number(parser, QStringLiteral("port"), 65535));
    o.delayMs = number(parser, QStringLiteral("delay"), 3600 * 1000);
    o.busyFirst = parser.isSet(QStringLiteral("busy-first"));
    o.dropAfter = number(parser, QStringLiteral("drop-after"), 1 << 30);
    o.quitAfter = number(parser, QStringLiteral("quit-after"), 1 << 30);
    return o;
}

// The request word of a line, when the line is a request.
QByteArray requestOf(const QByteArray& line)
{
    const QByteArray word = line.simplified().split(' ').value(0);
    for (const char* request : {"LOAD_I1_FILES_OF_PATTERN", "LOAD_I1_FILES", "ANALYZER_EXEC_2DA"})
        if (word == request)
            return word;
    return {};
}

class Companion
{
public:
    explicit Companion(const Options& options) : m_options(options)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool listen()
    {
        if (!m_server.listen(QHostAddress::LocalHost, m_options.port)) {
            std::fprintf(stderr, "cirvo-companion-stub: cannot listen on port %u: %s\n",
                         unsigned(m_options.port), qPrintable(m_server.errorString()));
            return false;
        }
        std::printf("listening on %u\n", unsigned(m_server.serverPort()));
        std::fflush(stdout);
        return true;
    }

private:
    void serve(QTcpSocket* socket)
    {
        m_connections.insert(socket, Connection());
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            Connection& c = m_connections[socket];
            for (const QByteArray& line : c.lines.append(socket->readAll())) {
                if (socket->state() != QAbstractSocket::ConnectedState)
                    return;
                print("<", line);
                answer(socket, requestOf(line));
                if (m_options.dropAfter > 0 && ++c.received >= m_options.dropAfter)
                    socket->disconnectFromHost();
            }
        });
    }

    void send(QTcpSocket* socket, const QByteArray& line)
    {
        print(">", line);
        socket->write(line + '\n');
        socket->flush();
    }

    void answer(QTcpSocket* socket, const QByteArray& request)
    {
        if (request.isEmpty())
            return;
        if (m_options.busyFirst)
            send(socket, "ISBUSY 1");
        const QPointer<QTcpSocket> target(socket);
        QTimer::singleShot(m_options.delayMs, socket, [this, target, request] {
            if (!target || target->state() != QAbstractSocket::ConnectedState)
                return;
            send(target, "ISBUSY 0 " + request);
            if (m_options.quitAfter > 0 && ++m_answered >= m_options.quitAfter)
                QCoreApplication::quit();
        });
    }

    struct Connection {
        LineSplitter lines;
        int received = 0;
    };

    Options m_options;
    // Before the server, whose sockets still report their end while it is destroyed.
    QHash<QTcpSocket*, Connection> m_connections;
    QTcpServer m_server;
    int m_answered = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);
    Companion companion(options);
    if (!companion.listen())
        return 1;
    return QCoreApplication::exec();
}
