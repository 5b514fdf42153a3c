#include "exlabel.h"

#include <QMouseEvent>
#include <QPainter>

ExLabel::ExLabel(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
}

void ExLabel::setText(const QString& txt)
{
    QLabel::setText(txt);
}

void ExLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    QPainter p(this);
    coord.setScreenRect(0, height(), width(), 0);
    emit draw(&p);
}

void ExLabel::mouseMoveEvent(QMouseEvent* e)
{
    mouse.recordMove(e);
    update();
    QLabel::mouseMoveEvent(e);
}

void ExLabel::mousePressEvent(QMouseEvent* e)
{
    mouse.recordPress(e);
    update();
    QLabel::mousePressEvent(e);
}

void ExLabel::mouseReleaseEvent(QMouseEvent* e)
{
    mouse.recordRelease(e);
    update();
    QLabel::mouseReleaseEvent(e);
}

void ExLabel::mouseDoubleClickEvent(QMouseEvent* e)
{
    mouse.recordDoubleClick(e);
    update();
    QLabel::mouseDoubleClickEvent(e);
}

void ExLabel::wheelEvent(QWheelEvent* e)
{
    mouse.recordWheel(e);
    update();
}

void ExLabel::enterEvent(QEnterEvent* e)
{
    inside = true;
    mouse.recordEnterLeave(inside);
    update();
    QLabel::enterEvent(e);
}

void ExLabel::leaveEvent(QEvent* e)
{
    inside = false;
    mouse.recordEnterLeave(inside);
    update();
    QLabel::leaveEvent(e);
}
