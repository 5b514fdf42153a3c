#include "ctpanel.h"

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

CtPanel::CtPanel(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    connect(ui.SetCRegion, &QPushButton::clicked, this, &CtPanel::setCRegion);
    connect(ui.DispCt, &ImgDisp::newS, this, &CtPanel::noticedNewS);
}

FbpRegion CtPanel::calcRegion() const
{
    return {readNumber(ui.Crx0), readNumber(ui.Crz0), readNumber(ui.Crx1), readNumber(ui.Crz1)};
}

void CtPanel::noticedNewS(QRectF s)
{
    setDR(s.x(), s.y(), s.x() + s.width(), s.y() + s.height());
}

void CtPanel::setCRegion()
{
    setCR(std::floor(readNumber(ui.Drx0)), std::floor(readNumber(ui.Drz0)),
          std::ceil(readNumber(ui.Drx1)), std::ceil(readNumber(ui.Drz1)));
}

void CtPanel::setCR(double rx0, double rz0, double rx1, double rz1)
{
    if (!writeRegion({ui.Crx0, ui.Crz0, ui.Crx1, ui.Crz1}, {rx0, rz0, rx1, rz1}))
        return;
    m_regionSet = true;
    emit cRUpdated(rx0, rz0, rx1, rz1);
}

void CtPanel::setDR(double rx0, double rz0, double rx1, double rz1)
{
    if (!writeRegion({ui.Drx0, ui.Drz0, ui.Drx1, ui.Drz1}, {rx0, rz0, rx1, rz1}))
        return;
    ui.DispCt->view = QRectF(rx0, rz0, rx1 - rx0, rz1 - rz0);
    ui.DispCt->form.dispB->update();
    emit dRUpdated(rx0, rz0, rx1, rz1);
}

void CtPanel::setFixColorScale(bool f)
{
    ui.DispCt->barForm.CBar->setFixColorScale(f);
}

void CtPanel::setCBarMinMaxForced(double min, double max)
{
    ui.DispCt->barForm.CBar->setMinV(min);
    ui.DispCt->barForm.CBar->setMaxV(max);
}

void CtPanel::stampStart(const QDateTime& t)
{
    m_startTime = t;
    ui.StartT->setText(stamp(t));
}

void CtPanel::stampEnd(const QDateTime& t)
{
    m_endTime = t;
    ui.EndT->setText(stamp(t));
}

void CtPanel::showSpent()
{
    ui.SpentT->setText(QString::number(m_startTime.msecsTo(m_endTime) / 1000.0, 'g', 6));
}

void CtPanel::showSlice(const std::vector<double>& values, int n, bool takeRange)
{
    if (n < 1 || values.size() != size_t(n) * size_t(n))
        return;
    ColorBar* bar = ui.DispCt->barForm.CBar;
    if (takeRange && !bar->isFixed()) {
        double lo, hi;
        GreyScale::range(values, lo, hi);
        bar->setMinV(lo);
        bar->setMaxV(hi);
    }
    ui.DispCt->image = bar->scale().toImage(values, n);
    ui.DispCt->newImage();
}

void CtPanel::showValue(const std::vector<double>& values, int n, double x, double z)
{
    const int ix = int(x);
    const int iz = int(z);
    if (n < 1 || values.size() != size_t(n) * size_t(n) || ix < 0 || iz < 0 || ix >= n || iz >= n)
        return;
    ui.DispCt->setVal(values[size_t(iz) * size_t(n) + size_t(ix)]);
}
