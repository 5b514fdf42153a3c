#include "chcoord.h"

#include <cmath>
#include <utility>

ChCoord::ChCoord() : QObject(nullptr) {}

void ChCoord::setMouse(MouseC* m)
{
    if (mouse)
        disconnect(mouse, nullptr, this, nullptr);
    mouse = m;
    if (!mouse)
        return;
    connect(mouse, &MouseC::mMoved, this, &ChCoord::mMoved);
    connect(mouse, &MouseC::mPressed, this, &ChCoord::mPressed);
    connect(mouse, &MouseC::mReleased, this, &ChCoord::mReleased);
    connect(mouse, &MouseC::mDClicked, this, &ChCoord::mDClicked);
    connect(mouse, &MouseC::wMoved, this, &ChCoord::wheelMoved);
}

void ChCoord::setScreenRect(double x0, double y0, double x1, double y1)
{
    sx0 = x0;
    sy0 = y0;
    sx1 = x1;
    sy1 = y1;
}

void ChCoord::setDataRect(double x0, double y0, double x1, double y1)
{
    dx0 = x0;
    dy0 = y0;
    dx1 = x1;
    dy1 = y1;
    xSet = ySet = true;
}

void ChCoord::clearScale()
{
    xSet = ySet = false;
    dx0 = dx1 = dy0 = dy1 = 0;
}

void ChCoord::mMoved()
{
    if (!mouse)
        return;
    emit nowPos(toDataX(mouse->pos.x()), toDataY(mouse->pos.y()));
    if (mouse->pressed && mouse->pressStat() == dragCode) {
        const double shiftX = toDataX(mouse->prevPos.x()) - toDataX(mouse->pos.x());
        const double shiftY = toDataY(mouse->prevPos.y()) - toDataY(mouse->pos.y());
        dx0 += shiftX;
        dx1 += shiftX;
        dy0 += shiftY;
        dy1 += shiftY;
        emit updated();
    }
}

void ChCoord::mPressed()
{
    if (mouse)
        emit updated();
}

void ChCoord::mDClicked()
{
    if (mouse)
        emit updated();
}

void ChCoord::mReleased()
{
    if (!mouse)
        return;
    const QPoint a = mouse->pressPos;
    const QPoint b = mouse->releasePos;
    // A click without a drag would give a range of zero width: the previous range stays.
    if (mouse->pressStat() == MouseC::RightNone && a.x() != b.x() && a.y() != b.y()) {
        const QPoint& left = a.x() < b.x() ? a : b;
        const QPoint& right = a.x() < b.x() ? b : a;
        setDataRect(toDataX(left.x()), toDataY(right.y()), toDataX(right.x()), toDataY(left.y()));
    }
    emit updated();
}

void ChCoord::wheelMoved(int step)
{
    if (!mouse || !wheelZoom)
        return;
    const double factor = step >= 0 ? 1 / 1.1 : 1.1;
    const double px = mouse->pos.x();
    const double py = mouse->pos.y();
    const double bandX = edgeFraction * std::abs(sx1 - sx0);
    const double bandY = edgeFraction * std::abs(sy1 - sy0);
    const bool atXEdge = std::abs(px - sx0) <= bandX || std::abs(px - sx1) <= bandX;
    const bool atYEdge = std::abs(py - sy0) <= bandY || std::abs(py - sy1) <= bandY;
    const double mx = toDataX(px);
    const double my = toDataY(py);
    const auto zoom = [factor](double& d0, double& d1, double m) {
        d0 = (d0 - m) * factor + m;
        d1 = (d1 - m) * factor + m;
    };
    // In a side band only the other axis zooms; in a corner or the middle both do.
    if (!(atXEdge && !atYEdge)) {
        zoom(dx0, dx1, mx);
        xSet = true;
    }
    if (!(atYEdge && !atXEdge)) {
        zoom(dy0, dy1, my);
        ySet = true;
    }
    emit updated();
}
