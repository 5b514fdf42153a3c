#include "dispb.h"

#include <QMouseEvent>
#include <QPainter>

DispB::DispB(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setMouseTracking(true);
}

void DispB::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 255));
    coord.setScreenRect(0, height(), width(), 0);
    emit drawImage0(&p);
    emit drawImage1(&p);
    emit drawImage2(&p);
    drawFrame(&p);
}

void DispB::mouseMoveEvent(QMouseEvent* e)
{
    if (e->modifiers() & Qt::AltModifier)
        return;
    mouse.recordMove(e);
    emit mouseMoved0();
    update();
}

void DispB::mousePressEvent(QMouseEvent* e)
{
    mouse.recordPress(e);
    emit mousePressed0();
}

void DispB::mouseReleaseEvent(QMouseEvent* e)
{
    mouse.recordRelease(e);
    emit mouseReleased0();
}

void DispB::mouseDoubleClickEvent(QMouseEvent* e)
{
    mouse.recordDoubleClick(e);
    emit mouseDoubleClicked0();
}

void DispB::wheelEvent(QWheelEvent* e)
{
    wheelSteps = e->angleDelta().y() * 0.125 / 15;
    zoomFactor = wheelSteps >= 0 ? 1 / 1.1 : 1.1;
    emit wheelMoved0();
}
