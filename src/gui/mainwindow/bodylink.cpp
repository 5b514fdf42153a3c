// The window's side of the companion program: sending the saved data files of a slice, asking
// for the analysis, and "Cont. 2DA" runs over a slice range paced by the companion's reports.
#include "body.h"

#include "buttonstyles.h"

#include "cirvologging.h"
#include "link/zandorlink.h"
#include "recon/slicefiles.h"

#include <QDir>

namespace
{

const QString PatternRequest = QStringLiteral("LOAD_I1_FILES_OF_PATTERN");
const QString FilesRequest = QStringLiteral("LOAD_I1_FILES");
const QString AnalysisRequest = QStringLiteral("ANALYZER_EXEC_2DA");

} // namespace

void Body::setupZandorLink()
{
    ZandorLink* l = link.get();
    connect(ui.LinkZandor, &QPushButton::clicked, l, &ZandorLink::doConnect);
    connect(l, &ZandorLink::linkButtonStyleChanged, ui.LinkZandor, &QWidget::setStyleSheet);
    ui.LinkZandor->setStyleSheet(l->linkButtonStyle());
    l->doConnect();
    zdrInitFlags();
    connect(l, &ZandorLink::connected, this, &Body::zdrInitFlags);
    connect(l, &ZandorLink::changedIsBusy, this, &Body::zdrChangedIsBusy);
    connect(this, &Body::zdrLoadFilesOfPattern, l, &ZandorLink::loadFilesOfPattern);
    connect(this, &Body::zdrLoadFiles, l, &ZandorLink::loadFiles);
    connect(this, &Body::zdrStatChanged, this, &Body::zdrStageCtrl);
    connect(ui.Exec2DA, &QPushButton::clicked, this, &Body::exec2dA0);
    connect(this, &Body::exec2dA, l, &ZandorLink::exec2dA);
    connect(ui.Cont2DA, &QPushButton::clicked, this, &Body::zdrStartCont2dA);
    // A request whose answer went with a lost connection would hold the run for ever; the run
    // ends where everyone can see it, and nothing is asked twice.
    connect(l, &TcpClient::statChanged, this, [this] {
        if (link->isLinked() || (zdrStage == 0 && !cont2dA))
            return;
        qCDebug(lcLink).noquote() << QStringLiteral(
                                         "Zandor link lost at slice %1; its request is given up")
                                         .arg(contSlice);
        zdrInitFlags();
    });
}

void Body::zdrInitFlags()
{
    zdrStage = 0;
    if (cont2dA)
        endCont2dA();
    ui.ZDRIsBusy->setStyleSheet(QLatin1String(ButtonStyles::CompanionIdle));
    zdrIsBusy = false;
    emit zdrStatChanged();
    contFrom = 0;
    contTo = 0;
    contSlice = 0;
}

void Body::zdrChangedIsBusy(bool f)
{
    if (f == zdrIsBusy)
        return;
    ui.ZDRIsBusy->setStyleSheet(
        QLatin1String(f ? ButtonStyles::CompanionBusy : ButtonStyles::CompanionIdle));
    zdrIsBusy = f;
    emit zdrStatChanged();
}

void Body::sendSliceFiles(int s)
{
    ui.procCtrl->setSliceNo(s);
    zdrStage = 1;
    contSlice = s;
    const QDir dir(ui.SelectDataSaveDir->path());
    const QString number = SliceFiles::number(s);
    const QStringList pattern{QStringLiteral("*-%1.dat").arg(number)};
    const auto filesIn = [&pattern](const QDir& d) {
        QStringList files;
        for (const QFileInfo& f : d.entryInfoList(pattern, QDir::Files, QDir::Name))
            files << f.absoluteFilePath();
        return files;
    };
    if (!ui.SaveInSubFolders->isChecked()) {
        emit zdrLoadFiles(filesIn(dir));
    } else if (ui.SubOfSlice->isChecked()) {
        // The platform's separator: a backslash would name no folder here.
        emit zdrLoadFilesOfPattern(
            QDir::toNativeSeparators(dir.absolutePath() + u'/' + number + u'/'));
    } else {
        QStringList files;
        for (const QFileInfo& sub : dir.entryInfoList(
                 {QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            files << filesIn(QDir(sub.absoluteFilePath()));
        emit zdrLoadFiles(files);
    }
}

void Body::exec2dA0()
{
    emit exec2dA(SliceFiles::number(ui.procCtrl->sliceNo()));
}

void Body::zdrStageCtrl()
{
    if (zdrIsBusy || zdrStage == 0)
        return;
    const QString& done = link->busyCommand();
    if (zdrStage == 1) {
        if (done != PatternRequest && done != FilesRequest)
            return;
        if (ui.With2DA->isChecked() || cont2dA) {
            zdrStage = 2;
            emit exec2dA(SliceFiles::number(contSlice));
        } else {
            zdrStage = 0;
        }
    } else if (zdrStage == 2) {
        if (done != AnalysisRequest)
            return;
        if (!cont2dA) {
            zdrStage = 0;
            return;
        }
        contSlice += contStep;
        // A step that does not move on would ask for the same slices for ever.
        if (contStep < 1 || contSlice > contTo)
            endCont2dA();
        else
            sendSliceFiles(contSlice);
    } else {
        zdrStage = 0;
    }
}

void Body::zdrStartCont2dA()
{
    if (cont2dA) {
        endCont2dA();
        return;
    }
    cont2dA = true;
    ui.Cont2DA->setStyleSheet(QLatin1String(ButtonStyles::Running));
    contFrom = ui.procCtrl->sliceFrom();
    contTo = ui.procCtrl->sliceTo();
    contStep = ui.procCtrl->sliceStep();
    contSlice = contFrom;
    sendSliceFiles(contSlice);
}

void Body::endCont2dA()
{
    cont2dA = false;
    ui.Cont2DA->setStyleSheet(QLatin1String(ButtonStyles::Idle));
}
