#pragma once

#include "tcpclient.h"

#include <QStringList>

// The link to Zandor, the companion 2-D XAFS analysis program: greets it, asks it to load the
// data files of a slice and to analyse them, and follows its busy reports. The "Link Zandor"
// button is the window's; the link only says which style it should wear.
class ZandorLink : public TcpClient
{
    Q_OBJECT

public:
    // The endpoint from the configuration key "Zandor" (any case): "host port"; the local
    // machine, port 6078, without one.
    explicit ZandorLink(QObject* parent = nullptr);
    ~ZandorLink() override;

    bool busy() const { return isBusy; }
    const QString& busyCommand() const { return busyCmd; }
    // The style sheet for the link button in the present state.
    QString linkButtonStyle() const;

signals:
    // The link has just greeted Zandor.
    void connected();
    void changedIsBusy(bool f);
    // The link button should wear this style sheet.
    void linkButtonStyleChanged(QString styleSheet);

public slots:
    void statChanged();
    void nextStep();
    void setLinkButtonStyle();
    void receiveAnMsg(QByteArray msg);
    void loadFilesOfPattern(QString path);
    void loadFiles(QStringList fileList);
    void exec2dA(QString sliceNo);

private:
    // Sends a request line, or, while busy, greets again and clears the busy flag instead.
    void request(const QString& line);

    QString busyCmd;
    bool isBusy = false;
};
