#include "ctcalc.h"

#include "ctprogress.h"
#include "recon/procparams.h"
#include "recon/ringfilter.h"
#include "sinogram.h"

#include <QThread>

CtCalc::CtCalc(ProcParams* params, QWidget* parent)
    : CtPanel(parent), m_params(params), m_progressThread(new QThread(this)),
      m_progress(new CtProgress)
{
    m_progress->moveToThread(m_progressThread);
    connect(this, &CtCalc::startCalcAll, m_progress, &CtProgress::startCalcAll);
    connect(m_progress, &CtProgress::calcAll, this, &CtCalc::calcAll);
    connect(this, &CtCalc::startCalcOneByOne, m_progress, &CtProgress::startCalcOneByOne);
    connect(m_progress, &CtProgress::calcOne, this, &CtCalc::calcOne);
    connect(this, &CtCalc::finishedCalcOne, m_progress, &CtProgress::calcNext);
    connect(m_progress, &CtProgress::finishedCalcOneByOne, this, &CtCalc::endCt);
    connect(ui.StartCalc, &QPushButton::clicked, this, &CtCalc::askToStartCalc);
    connect(ui.DispCt, &ImgDispWCBar::newBar, this, &CtCalc::genResImage);
    connect(ui.DispCt, &ImgDispWPV::newPosInvY, this, &CtCalc::noticedNewPos);
    setCR(0, 0, 2047, 2047);
    m_regionSet = false;
}

CtCalc::~CtCalc()
{
    m_progressThread->quit();
    m_progressThread->wait();
    delete m_progress;
}

void CtCalc::startCt()
{
    if (!m_sinogram)
        return;
    stampStart(QDateTime::currentDateTime());
    m_sinogram->genSinogram();
    const HSgm& sgm = m_sinogram->record();
    const int n = (sgm.width / 2) * 2;
    // No transform can be planned below two samples. The run still ends, so that whoever
    // started it is not left waiting.
    m_core.setFilter(m_params->filter);
    if (!sgm.hasData() || !m_core.prepare(n, sgm.rows)) {
        emit calcFinished();
        return;
    }
    m_sgm = sgm;
    RingFilter::apply(m_params->rings, m_sgm);
    m_rows = sgm.rows;
    ui.ShowSliceNo->setText(QString::number(sgm.slice));
    if (!m_regionSet)
        setCR(0, 0, n, n);
    m_core.clearResult();
    QImage picture(n, n, QImage::Format_Grayscale8);
    picture.fill(0);
    ui.DispCt->image = picture;

    m_progressThread->start();
    if (ui.CalcAtOnce->isChecked()) {
        emit startCalcAll();
        return;
    }
    m_progress->total = m_rows;
    m_progress->current = 0;
    m_running = true;
    emit startCalcOneByOne();
}

void CtCalc::stopCt()
{
    endCt();
}

void CtCalc::endCt()
{
    m_running = false;
    m_progressThread->quit();
    stampEnd(QDateTime::currentDateTime());
    showSpent();
    emit calcFinished();
}

double CtCalc::delta() const
{
    return FbpAngles::delta(m_params->dataSetRangeDeg, m_params->dataSetImages);
}

double CtCalc::theta0() const
{
    return FbpAngles::theta0(m_params->startImageNo, delta(), m_params->angleOriginDeg);
}

void CtCalc::calcAll()
{
    if (m_core.result().empty())
        return;
    for (int r = 0; r < m_rows; ++r)
        m_core.forward(r, m_sgm.absorptionRow(r));
    for (int r = 0; r < m_rows; ++r)
        m_core.filterDividing(r, m_rows);
    m_core.backProjectAll(m_rows, delta(), theta0(), calcRegion());
    genResImage();
    endCt();
}

void CtCalc::calcOne(int iz)
{
    if (!m_running || iz < 0 || iz >= m_rows)
        return;
    m_core.forward(iz, m_sgm.absorptionRow(iz));
    m_core.filterDividing(iz, m_rows);
    m_core.backProject(iz, FbpAngles::theta(iz, delta(), theta0()), calcRegion());
    genResImage();
    stampEnd(QDateTime::currentDateTime());
    emit finishedCalcOne();
}

void CtCalc::calcCt()
{
    if (m_running)
        endCt();
    else
        startCt();
}

void CtCalc::genResImage()
{
    showSlice(m_core.result(), m_core.n(), m_core.resultValid());
}

void CtCalc::noticedNewPos(double x, double z)
{
    showValue(m_core.result(), m_core.n(), x, z);
}

void CtCalc::setSaveImage(bool f, QString path, QString name, QString tag)
{
    m_saveImage = {f, path, name, tag};
}

void CtCalc::setSaveData(bool f, QString path, QString name, QString tag)
{
    m_saveData = {f, path, name, tag};
}
