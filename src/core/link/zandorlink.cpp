#include "zandorlink.h"

#include "busyreport.h"
#include "config/config.h"
#include "config/lineitems.h"

namespace
{

const QString LinkedStyle = QStringLiteral("background-color: rgb(211, 255, 241);");
const QString WantedStyle = QStringLiteral("background-color: rgb(255, 243, 162);");
const QString IdleStyle = QStringLiteral("background-color: rgb(176, 192, 192);");

} // namespace

ZandorLink::ZandorLink(QObject* parent) : TcpClient(parent)
{
    LineItems endpoint(
        Config::instance().restAnyCase(QStringLiteral("Zandor"), QStringLiteral("localhost 6078")));
    host = endpoint.next();
    port = endpoint.next().toInt();
    // The signals of the base share their names with these slots.
    connect(this, &TcpClient::statChanged, this, &ZandorLink::statChanged);
    connect(this, &TcpClient::statChanged, this, &ZandorLink::nextStep);
    connect(this, &TcpClient::receiveAnMsg, this, &ZandorLink::receiveAnMsg);
}

ZandorLink::~ZandorLink()
{
    // The base's destructor still reports the state; this part is gone by then.
    disconnect(this, nullptr, this, nullptr);
}

QString ZandorLink::linkButtonStyle() const
{
    if (!isWanted())
        return IdleStyle;
    return isLinked() ? LinkedStyle : WantedStyle;
}

void ZandorLink::statChanged()
{
    if (isWanted() && isLinked()) {
        send(QStringLiteral("myName Cirvo\n"));
        emit connected();
        if (isBusy) {
            isBusy = false;
            emit changedIsBusy(false);
        }
    }
    setLinkButtonStyle();
}

void ZandorLink::nextStep() {}

void ZandorLink::setLinkButtonStyle()
{
    emit linkButtonStyleChanged(linkButtonStyle());
}

void ZandorLink::receiveAnMsg(QByteArray msg)
{
    const BusyReport report = BusyReport::parse(msg);
    if (!report.isReport)
        return;
    busyCmd = report.command;
    if (report.hasFlag && report.busy != isBusy) {
        isBusy = report.busy;
        emit changedIsBusy(isBusy);
    }
}

void ZandorLink::loadFilesOfPattern(QString path)
{
    request(
        QStringLiteral("%1 new %2 *.dat\n").arg(QStringLiteral("LOAD_I1_FILES_OF_PATTERN"), path));
}

void ZandorLink::loadFiles(QStringList fileList)
{
    if (fileList.isEmpty()) {
        ZandorLink::statChanged();
        return;
    }
    request(QStringLiteral("%1 new %2\n")
                .arg(QStringLiteral("LOAD_I1_FILES"), fileList.join(QLatin1Char(' '))));
}

void ZandorLink::exec2dA(QString sliceNo)
{
    request(QStringLiteral("%1 %2\n").arg(QStringLiteral("ANALYZER_EXEC_2DA"), sliceNo));
}

void ZandorLink::request(const QString& line)
{
    if (isBusy) {
        ZandorLink::statChanged();
        return;
    }
    isBusy = true;
    emit changedIsBusy(true);
    send(line);
}
