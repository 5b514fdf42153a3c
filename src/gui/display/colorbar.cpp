#include "colorbar.h"

#include "imageio/imgdata.h"

#include <QPainter>

#include <algorithm>

ColorBar::ColorBar(QWidget* parent) : DispB(parent), m_form(std::make_unique<QFrame>())
{
    ui.setupUi(m_form.get());
    connect(this, &DispB::drawImage1, this, &ColorBar::draw1);
    connect(this, &DispB::mouseMoved0, this, &ColorBar::onMouseMoved);
    connect(this, &DispB::mousePressed0, this, &ColorBar::onMousePressed);
    connect(this, &DispB::mouseReleased0, this, &ColorBar::onMouseReleased);
    connect(ui.CMinLE, &QLineEdit::editingFinished, this, &ColorBar::minVEdited);
    connect(ui.CMaxLE, &QLineEdit::editingFinished, this, &ColorBar::maxVEdited);
    setMinV(0);
    setMaxV(1);
}

ColorBar::~ColorBar() = default;

void ColorBar::setMinV(double x)
{
    minV = x;
    ui.CMinLE->setText(QString::number(x, 'g', 6));
    update();
}

void ColorBar::setMaxV(double x)
{
    maxV = x;
    ui.CMaxLE->setText(QString::number(x, 'g', 6));
    update();
}

bool ColorBar::isFixed() const
{
    return ui.CFix->isChecked();
}

void ColorBar::setFixColorScale(bool f)
{
    ui.CFix->setChecked(f);
}

void ColorBar::minVEdited()
{
    minV = ui.CMinLE->text().toDouble();
    emit newBar();
}

void ColorBar::maxVEdited()
{
    maxV = ui.CMaxLE->text().toDouble();
    emit newBar();
}

void ColorBar::toGreyImage(ImgData& data, QImage& image)
{
    if (!data.valid)
        return;
    double lo, hi;
    data.minMax(lo, hi);
    if (!isFixed()) {
        setMinV(lo);
        setMaxV(hi);
    }
    image = scale().toImage(data);
}

void ColorBar::draw1(QPainter* p)
{
    const int h = height();
    const int w = width();
    // The ramp shows the fractions 0 (bottom) to 1 (top) through the current window.
    const GreyScale ramp{0.0, 1.0, barLow, barHigh};
    for (int i = 0; i < h; ++i) {
        const int g = ramp.level(double(i) / h);
        p->setPen(QColor(g, g, g));
        p->drawLine(0, h - 1 - i, w, h - 1 - i);
    }
    p->setPen(QColor(0, 192, 255));
    p->drawLine(0, int((1 - barHigh) * h), w, int((1 - barHigh) * h));
    p->drawLine(0, int((1 - barLow) * h), w, int((1 - barLow) * h));

    p->setPen(QColor(0, 255, 192));
    const QFont font;
    textStyle.drawRotatedText(p, 90, w / 2.0, 50, 95, w, font, Qt::AlignLeft | Qt::AlignVCenter,
                              true, QString::number(maxV, 'g', 6), 10, false, {});
    textStyle.drawRotatedText(p, 90, w / 2.0, h - 50, 95, w, font,
                              Qt::AlignRight | Qt::AlignVCenter, true,
                              QString::number(minV, 'g', 6), 10, false, {});
    if (dragging)
        textStyle.drawRotatedText(
            p, 90, w / 2.0, h / 2.0, 95, w, font, Qt::AlignRight | Qt::AlignVCenter, true,
            QString::number(minV + (maxV - minV) * *dragTarget, 'g', 6), 10, false, {});
}

double ColorBar::fractionAtPointer() const
{
    return double(height() - mouse.pos.y()) / height();
}

void ColorBar::onMousePressed()
{
    const double f = fractionAtPointer();
    const double toLow = std::abs(barLow - f);
    const double toHigh = std::abs(barHigh - f);
    // Half-way between the two ends takes neither.
    if (toLow == toHigh)
        return;
    dragTarget = toLow > toHigh ? &barHigh : &barLow;
    dragging = true;
}

void ColorBar::onMouseMoved()
{
    if (!mouse.pressed)
        return;
    if (dragging)
        *dragTarget = fractionAtPointer();
    update();
    emit newBar();
}

void ColorBar::onMouseReleased()
{
    dragging = false;
}
