#pragma once

#include "linesplitter.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

// Keeps one outgoing TCP connection to a fixed host and port, splits what arrives into lines
// and sends text. Remembers whether the connection is wanted and, after an established
// connection is lost, tries again every second.
class TcpClient : public QObject
{
    Q_OBJECT

public:
    explicit TcpClient(QObject* parent = nullptr);
    ~TcpClient() override;

    bool isWanted() const { return wanted; }
    bool isLinked() const { return isConnected; }
    const QString& hostName() const { return host; }
    int portNumber() const { return port; }

signals:
    void statChanged();
    void receiveAnMsg(QByteArray msg);

public slots:
    void connected();
    void disconnected();
    void tryReconnect();
    virtual void readyRead();
    void doConnect();
    void doDisconnect();
    void send(QString msg);

protected:
    QTcpSocket socket;
    QString host;
    int port = 0;
    bool wanted = false;
    bool isConnected = false;
    QTimer reconnectTimer;
    LineSplitter rxBuffer;

private:
    void startConnecting();
};
