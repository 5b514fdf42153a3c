#include "ctcalc.h"

#include "ctprogress.h"
#include "recon/procparams.h"
#include "sinogram.h"

#include <QThread>

#include <cmath>

namespace
{

QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("hh:mm:ss.zzz"));
}

double readNumber(const QLineEdit* e)
{
    return e->text().toDouble();
}

// Writes four values with 6 significant digits and tells whether any read-back value changed.
bool writeRegion(QLineEdit* const (&edits)[4], const double (&values)[4])
{
    double before[4];
    for (int i = 0; i < 4; ++i)
        before[i] = readNumber(edits[i]);
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        edits[i]->setText(QString::number(values[i], 'g', 6));
        changed = changed || readNumber(edits[i]) != before[i];
    }
    return changed;
}

} // namespace

CtCalc::CtCalc(ProcParams* params, QWidget* parent)
    : QFrame(parent), m_params(params), m_progressThread(new QThread(this)),
      m_progress(new CtProgress)
{
    ui.setupUi(this);
    m_progress->moveToThread(m_progressThread);
    connect(this, &CtCalc::startCalcAll, m_progress, &CtProgress::startCalcAll);
    connect(m_progress, &CtProgress::calcAll, this, &CtCalc::calcAll);
    connect(this, &CtCalc::startCalcOneByOne, m_progress, &CtProgress::startCalcOneByOne);
    connect(m_progress, &CtProgress::calcOne, this, &CtCalc::calcOne);
    connect(this, &CtCalc::finishedCalcOne, m_progress, &CtProgress::calcNext);
    connect(m_progress, &CtProgress::finishedCalcOneByOne, this, &CtCalc::endCt);
    connect(ui.StartCalc, &QPushButton::clicked, this, &CtCalc::askToStartCalc);
    connect(ui.SetCRegion, &QPushButton::clicked, this, &CtCalc::setCRegion);
    connect(ui.DispCt, &ImgDispWCBar::newBar, this, &CtCalc::genResImage);
    connect(ui.DispCt, &ImgDisp::newS, this, &CtCalc::noticedNewS);
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
    m_startTime = QDateTime::currentDateTime();
    ui.StartT->setText(stamp(m_startTime));
    m_sinogram->genSinogram();
    const HSgm& sgm = m_sinogram->record();
    if (!sgm.hasData())
        return;
    const int n = (sgm.width / 2) * 2;
    // No transform can be planned below two samples.
    if (!m_core.prepare(n, sgm.rows))
        return;
    m_sgm = sgm;
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
    m_endTime = QDateTime::currentDateTime();
    ui.EndT->setText(stamp(m_endTime));
    ui.SpentT->setText(QString::number(m_startTime.msecsTo(m_endTime) / 1000.0, 'g', 6));
    emit calcFinished();
}

FbpRegion CtCalc::calcRegion() const
{
    return {readNumber(ui.Crx0), readNumber(ui.Crz0), readNumber(ui.Crx1), readNumber(ui.Crz1)};
}

void CtCalc::project(int r)
{
    const double delta = FbpAngles::delta(m_params->dataSetRangeDeg, m_params->dataSetImages);
    const double theta0 =
        FbpAngles::theta0(m_params->startImageNo, delta, m_params->angleOriginDeg);
    m_core.backProject(r, FbpAngles::theta(r, delta, theta0), calcRegion());
}

void CtCalc::calcAll()
{
    if (m_core.result().empty())
        return;
    for (int r = 0; r < m_rows; ++r)
        m_core.forward(r, m_sgm.absorptionRow(r));
    for (int r = 0; r < m_rows; ++r)
        m_core.filterDividing(r, m_rows);
    for (int r = 0; r < m_rows; ++r)
        project(r);
    genResImage();
    endCt();
}

void CtCalc::calcOne(int iz)
{
    if (!m_running || iz < 0 || iz >= m_rows)
        return;
    m_core.forward(iz, m_sgm.absorptionRow(iz));
    m_core.filterDividing(iz, m_rows);
    project(iz);
    genResImage();
    m_endTime = QDateTime::currentDateTime();
    ui.EndT->setText(stamp(m_endTime));
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
    const int n = m_core.n();
    const std::vector<double>& result = m_core.result();
    if (n < 1 || result.size() != size_t(n) * size_t(n))
        return;
    ColorBar* bar = ui.DispCt->barForm.CBar;
    if (m_core.resultValid()) {
        double lo = std::numeric_limits<double>::max();
        double hi = std::numeric_limits<double>::lowest();
        for (const double v : result) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        if (!bar->isFixed()) {
            bar->setMinV(lo);
            bar->setMaxV(hi);
        }
    }
    QImage picture(n, n, QImage::Format_Grayscale8);
    const GreyScale scale = bar->scale();
    for (int z = 0; z < n; ++z)
        scale.mapRow(result.data() + size_t(z) * size_t(n), n, picture.scanLine(z));
    ui.DispCt->image = picture;
    ui.DispCt->newImage();
}

void CtCalc::noticedNewPos(double x, double z)
{
    const int n = m_core.n();
    const int ix = int(x);
    const int iz = int(z);
    if (n < 1 || m_core.result().size() != size_t(n) * size_t(n) || ix < 0 || iz < 0 || ix >= n ||
        iz >= n)
        return;
    ui.DispCt->setVal(m_core.result()[size_t(iz) * size_t(n) + size_t(ix)]);
}

void CtCalc::noticedNewS(QRectF s)
{
    setDR(s.x(), s.y(), s.x() + s.width(), s.y() + s.height());
}

void CtCalc::setCRegion()
{
    setCR(std::floor(readNumber(ui.Drx0)), std::floor(readNumber(ui.Drz0)),
          std::ceil(readNumber(ui.Drx1)), std::ceil(readNumber(ui.Drz1)));
}

void CtCalc::setCR(double rx0, double rz0, double rx1, double rz1)
{
    if (!writeRegion({ui.Crx0, ui.Crz0, ui.Crx1, ui.Crz1}, {rx0, rz0, rx1, rz1}))
        return;
    m_regionSet = true;
    emit cRUpdated(rx0, rz0, rx1, rz1);
}

void CtCalc::setDR(double rx0, double rz0, double rx1, double rz1)
{
    if (!writeRegion({ui.Drx0, ui.Drz0, ui.Drx1, ui.Drz1}, {rx0, rz0, rx1, rz1}))
        return;
    ui.DispCt->view = QRectF(rx0, rz0, rx1 - rx0, rz1 - rz0);
    ui.DispCt->form.dispB->update();
    emit dRUpdated(rx0, rz0, rx1, rz1);
}

void CtCalc::setFixColorScale(bool f)
{
    ui.DispCt->barForm.CBar->setFixColorScale(f);
}

void CtCalc::setCBarMinMaxForced(double min, double max)
{
    ui.DispCt->barForm.CBar->setMinV(min);
    ui.DispCt->barForm.CBar->setMaxV(max);
}

void CtCalc::setSaveImage(bool f, QString path, QString name, QString tag)
{
    m_saveImage = {f, path, name, tag};
}

void CtCalc::setSaveData(bool f, QString path, QString name, QString tag)
{
    m_saveData = {f, path, name, tag};
}
