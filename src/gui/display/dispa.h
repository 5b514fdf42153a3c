#pragma once

#include "chcoord.h"
#include "mousec.h"

#include <QFrame>

#include <QPainter>

// A black paintable frame whose mapping follows its own mouse: the owner paints through the
// draw signals and reads positions from `mouse` and `coord`.
class DispA : public QFrame
{
    Q_OBJECT

public:
    explicit DispA(QWidget* parent = nullptr);

    ChCoord coord;
    MouseC mouse;
    bool inside = false;

signals:
    void drawImage0(QPainter* p);
    void drawImage1(QPainter* p);
    void drawImage2(QPainter* p);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
};
