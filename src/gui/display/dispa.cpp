#include "dispa.h"

#include <QMouseEvent>
#include <QPainter>

DispA::DispA(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setMouseTracking(true);
    coord.setMouse(&mouse);
}

void DispA::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0));
    coord.setScreenRect(0, height() - 1, width() - 1, 0);
    emit drawImage0(&p);
    emit drawImage1(&p);
    emit drawImage2(&p);
    drawFrame(&p);
}

void DispA::mouseMoveEvent(QMouseEvent* e)
{
    // Alt drags belong to the window manager on many desktops.
    if (mouse.modifiers & Qt::AltModifier)
        return;
    mouse.recordMove(e);
    update();
}

void DispA::mousePressEvent(QMouseEvent* e)
{
    mouse.recordPress(e);
    update();
}

void DispA::mouseReleaseEvent(QMouseEvent* e)
{
    mouse.recordRelease(e);
    update();
}

void DispA::mouseDoubleClickEvent(QMouseEvent* e)
{
    mouse.recordDoubleClick(e);
    update();
}

void DispA::wheelEvent(QWheelEvent* e)
{
    mouse.recordWheel(e);
    update();
}

void DispA::enterEvent(QEnterEvent*)
{
    inside = true;
    mouse.recordEnterLeave(inside);
    update();
}

void DispA::leaveEvent(QEvent*)
{
    inside = false;
    mouse.recordEnterLeave(inside);
    update();
}
