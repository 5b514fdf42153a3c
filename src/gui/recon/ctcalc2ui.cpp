#include "ctcalc2ui.h"

CtCalc2Ui::CtCalc2Ui(QWidget* parent) : CtPanel(parent)
{
    connect(ui.DispCt, &ImgDispWPV::newPosInvY, this, &CtCalc2Ui::noticedNewPos);
    connect(ui.DispCt, &ImgDispWCBar::newBar, this, &CtCalc2Ui::genResImage);
    setCR(0, 0, 2047, 2047);
    m_regionSet = false;
}

void CtCalc2Ui::setWorker(CtCalc2* worker)
{
    if (m_worker)
        disconnect(m_worker, nullptr, this, nullptr);
    m_worker = worker;
    if (!m_worker)
        return;
    connect(m_worker, &CtCalc2::calcStarted, this, &CtCalc2Ui::calcStarted);
    connect(m_worker, &CtCalc2::resultReady, this, &CtCalc2Ui::resultReady);
}

void CtCalc2Ui::fillInputs(Ct2Inputs& inputs) const
{
    inputs.region = calcRegion();
    inputs.regionSet = m_regionSet;
    inputs.scale = ui.DispCt->barForm.CBar->scale();
    inputs.fixedScale = ui.DispCt->barForm.CBar->isFixed();
}

void CtCalc2Ui::calcStarted(int slice, const QDateTime& start)
{
    stampStart(start);
    showSliceNo(slice);
}

void CtCalc2Ui::resultReady(const Ct2Result& result)
{
    m_result = result;
    if (result.regionDefaulted)
        setCR(0, 0, result.n, result.n);
    if (!result.picture.isNull()) {
        ColorBar* bar = ui.DispCt->barForm.CBar;
        if (!bar->isFixed()) {
            bar->setMinV(result.min);
            bar->setMaxV(result.max);
        }
        ui.DispCt->image = result.picture;
        newImage();
    }
    stampEnd(result.end);
    showSpent();
}

void CtCalc2Ui::noticedNewPos(double x, double z)
{
    if (m_result.values)
        showValue(*m_result.values, m_result.n, x, z);
}

void CtCalc2Ui::showStartTime()
{
    stampStart(QDateTime::currentDateTime());
}

void CtCalc2Ui::showEndTime()
{
    stampEnd(QDateTime::currentDateTime());
}

void CtCalc2Ui::showSpentT()
{
    showSpent();
}

void CtCalc2Ui::showSliceNo(int no)
{
    ui.ShowSliceNo->setText(QString::number(no));
}

void CtCalc2Ui::newImage()
{
    ui.DispCt->newImage();
}

void CtCalc2Ui::saveImage(QString fname)
{
    ui.DispCt->saveImage(fname);
}

void CtCalc2Ui::genResImage()
{
    if (m_result.values)
        showSlice(*m_result.values, m_result.n, false);
}
