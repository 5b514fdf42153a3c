#pragma once

#include "chcoord.h"
#include "mousec.h"

#include <QFrame>

#include <QPainter>

// A white paintable frame whose owner handles the gestures: the mapping is not attached to the
// mouse, and the wheel only reports its zoom factor.
class DispB : public QFrame
{
    Q_OBJECT

public:
    explicit DispB(QWidget* parent = nullptr);

    ChCoord coord;
    MouseC mouse;
    double wheelSteps = 0;
    double zoomFactor = 1 / 1.1;

signals:
    void drawImage0(QPainter* p);
    void drawImage1(QPainter* p);
    void drawImage2(QPainter* p);
    void mouseMoved0();
    void mousePressed0();
    void mouseReleased0();
    void mouseDoubleClicked0();
    void wheelMoved0();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
};
