#include "seekctrl.h"

#include <algorithm>

namespace
{

constexpr int Step = 10;

} // namespace

SeekCtrl::SeekCtrl(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    // Only the user's moves of the slider are followed; program changes of its value are not.
    connect(ui.Seek, &QSlider::sliderMoved, this, &SeekCtrl::sliderMoved);
    connect(ui.Index, &QSpinBox::valueChanged, this, &SeekCtrl::indexChanged);
    connect(ui.Inc, &QToolButton::clicked, this, &SeekCtrl::inc);
    connect(ui.Dec, &QToolButton::clicked, this, &SeekCtrl::dec);
}

void SeekCtrl::setMaximum(int max)
{
    ui.Seek->setMaximum(max);
    ui.Index->setMaximum(max);
}

void SeekCtrl::sliderMoved(int val)
{
    ui.Index->setValue(val);
    emit newIndex(val);
}

void SeekCtrl::indexChanged(int val)
{
    ui.Seek->setValue(val);
    emit newIndex(val);
}

void SeekCtrl::inc()
{
    stepTo(std::min(ui.Seek->value() + Step, ui.Seek->maximum()));
}

void SeekCtrl::dec()
{
    stepTo(std::max(ui.Seek->value() - Step, 0));
}

void SeekCtrl::stepTo(int val)
{
    if (val == ui.Seek->value())
        return;
    ui.Seek->setValue(val);
    ui.Index->setValue(val);
    emit newIndex(val);
}
