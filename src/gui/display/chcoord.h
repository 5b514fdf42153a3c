#pragma once

#include "mousec.h"

#include <QObject>

// Maps between widget pixels and data coordinates. Attached to a MouseC it pans on drags with
// `dragCode`, zooms to a rectangle dragged with the plain right button and zooms with the wheel.
class ChCoord : public QObject
{
    Q_OBJECT

public:
    ChCoord();

    void setMouse(MouseC* m);
    // (x0, y0) is the bottom-left, (x1, y1) the top-right corner.
    void setScreenRect(double x0, double y0, double x1, double y1);
    void setDataRect(double x0, double y0, double x1, double y1);

    double toScreenX(double x) const { return (sx1 - sx0) / (dx1 - dx0) * (x - dx0) + sx0; }
    double toScreenY(double y) const { return (sy1 - sy0) / (dy1 - dy0) * (y - dy0) + sy0; }
    double toScreenDX(double d) const { return (sx1 - sx0) / (dx1 - dx0) * d; }
    double toScreenDY(double d) const { return (sy1 - sy0) / (dy1 - dy0) * d; }
    double toDataX(double sx) const { return (dx1 - dx0) / (sx1 - sx0) * (sx - sx0) + dx0; }
    double toDataY(double sy) const { return (dy1 - dy0) / (sy1 - sy0) * (sy - sy0) + dy0; }

    MouseC* mouse = nullptr;
    bool wheelZoom = true;
    int dragCode = MouseC::LeftShift;
    bool xSet = false;
    bool ySet = false;
    double sx0 = 0, sx1 = 1, sy0 = 0, sy1 = 1;
    double dx0 = 0, dx1 = 1, dy0 = 0, dy1 = 1;
    double edgeFraction = 0.1;

signals:
    void updated();
    void nowPos(double x, double y);
    void newVLines();

public slots:
    void clearScale();
    void mMoved();
    void mPressed();
    void mReleased();
    void mDClicked();
    void wheelMoved(int step);
};
