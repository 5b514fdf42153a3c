#pragma once

#include "chcoord.h"
#include "mousec.h"

#include <QLabel>

#include <QPainter>

// A text label that its owner can paint over through `draw`.
class ExLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ExLabel(QWidget* parent = nullptr);

    MouseC mouse;
    ChCoord coord;
    bool inside = false;

signals:
    void draw(QPainter* p);

public slots:
    void setText(const QString& txt);

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
