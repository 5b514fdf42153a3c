#include "tcpclient.h"

#include "cirvologging.h"

TcpClient::TcpClient(QObject* parent) : QObject(parent), socket(this), reconnectTimer(this)
{
    reconnectTimer.setInterval(1000);
    connect(&socket, &QTcpSocket::connected, this, &TcpClient::connected);
    connect(&socket, &QTcpSocket::disconnected, this, &TcpClient::disconnected);
    connect(&socket, &QTcpSocket::readyRead, this, &TcpClient::readyRead);
    connect(&reconnectTimer, &QTimer::timeout, this, &TcpClient::tryReconnect);
}

TcpClient::~TcpClient()
{
    doDisconnect();
}

void TcpClient::connected()
{
    reconnectTimer.stop();
    rxBuffer.clear();
    if (!isConnected) {
        isConnected = true;
        emit statChanged();
    }
}

void TcpClient::disconnected()
{
    if (isConnected) {
        isConnected = false;
        emit statChanged();
    }
    if (wanted)
        reconnectTimer.start();
}

void TcpClient::tryReconnect()
{
    if (!wanted) {
        reconnectTimer.stop();
        if (isConnected)
            socket.close();
    } else if (isConnected) {
        reconnectTimer.stop();
        rxBuffer.clear();
    } else {
        startConnecting();
        emit statChanged();
    }
}

void TcpClient::readyRead()
{
    const QList<QByteArray> lines = rxBuffer.append(socket.readAll());
    for (int n = rxBuffer.takeDroppedLines(); n > 0; --n)
        qCDebug(lcLink).noquote() << "Dropped a line longer than" << rxBuffer.maxLineBytes()
                                  << "bytes from" << QStringLiteral("%1:%2").arg(host).arg(port);
    for (const QByteArray& line : lines) {
        qCDebug(lcLink).noquote().nospace() << "rec:" << line;
        if (!line.isEmpty())
            emit receiveAnMsg(line);
    }
}

void TcpClient::doConnect()
{
    if (!wanted) {
        wanted = true;
        emit statChanged();
    }
    startConnecting();
    emit statChanged();
}

void TcpClient::doDisconnect()
{
    if (wanted) {
        wanted = false;
        emit statChanged();
    }
    reconnectTimer.stop();
    if (isConnected)
        socket.close();
    else
        socket.abort(); // an attempt still under way must not end linked
}

void TcpClient::send(QString msg)
{
    if (!isConnected)
        return;
    qCDebug(lcLink).noquote().nospace() << "snd:" << msg;
    socket.write(msg.toLatin1());
}

void TcpClient::startConnecting()
{
    // A link that stands is kept; an attempt still under way, or a close still pending, is
    // given up, since connecting a socket that is not unconnected does nothing.
    if (socket.state() == QAbstractSocket::ConnectedState)
        return;
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.abort();
    socket.connectToHost(host, quint16(port));
}
