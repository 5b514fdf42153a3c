#include "mousec.h"

#include <QMouseEvent>
#include <QWheelEvent>

namespace
{

QPoint truncated(const QPointF& p)
{
    return QPoint(int(p.x()), int(p.y()));
}

constexpr int ModifierMask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

} // namespace

MouseC::MouseC() : QObject(nullptr) {}

MouseC::MStat MouseC::stat(int button, int modifiers)
{
    int base;
    if (button == Qt::LeftButton)
        base = LeftNone;
    else if (button == Qt::RightButton)
        base = RightNone;
    else
        return Other;
    // Alt alone is 3 and Shift+Control 4: the codes count single keys before pairs.
    switch (modifiers & ModifierMask) {
    case 0:
        return MStat(base);
    case Qt::ShiftModifier:
        return MStat(base + 1);
    case Qt::ControlModifier:
        return MStat(base + 2);
    case Qt::AltModifier:
        return MStat(base + 3);
    case Qt::ShiftModifier | Qt::ControlModifier:
        return MStat(base + 4);
    case Qt::ShiftModifier | Qt::AltModifier:
        return MStat(base + 5);
    case Qt::ControlModifier | Qt::AltModifier:
        return MStat(base + 6);
    default:
        return MStat(base + 7);
    }
}

void MouseC::recordMove(const QMouseEvent* e)
{
    prevPos = pos;
    pos = truncated(e->position());
    button = e->button();
    modifiers = e->modifiers();
    moveShift = modifiers == Qt::ShiftModifier;
    moveCtrl = modifiers == Qt::ControlModifier;
    moveAlt = modifiers == Qt::AltModifier;
    emit mMoved();
}

void MouseC::recordPress(const QMouseEvent* e)
{
    prevPos = pos;
    pos = pressPos = truncated(e->position());
    button = pressButton = e->button();
    modifiers = pressModifiers = e->modifiers();
    pressed = true;
    pressLeft = pressButton == Qt::LeftButton;
    pressRight = pressButton == Qt::RightButton;
    pressShift = pressModifiers == Qt::ShiftModifier;
    pressCtrl = pressModifiers == Qt::ControlModifier;
    pressAlt = pressModifiers == Qt::AltModifier;
    emit mPressed();
}

void MouseC::recordRelease(const QMouseEvent* e)
{
    prevPos = pos;
    pos = releasePos = truncated(e->position());
    pressed = pressLeft = pressRight = false;
    button = releaseButton = e->button();
    modifiers = releaseModifiers = e->modifiers();
    emit mReleased();
}

void MouseC::recordDoubleClick(const QMouseEvent* e)
{
    dClickPos = truncated(e->position());
    button = dClickButton = e->button();
    modifiers = dClickModifiers = e->modifiers();
    emit mDClicked();
}

void MouseC::recordWheel(const QWheelEvent* e)
{
    emit wMoved(int(e->angleDelta().y() * 0.125 / 15));
}

void MouseC::recordEnterLeave(bool inside)
{
    if (inside)
        emit mEntered();
    else
        emit mLeaved();
    emit mEnterLeave(inside);
}
