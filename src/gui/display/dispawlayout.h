#pragma once

#include "ui_dispawlayout.h"

#include <QFrame>

#include <QPainter>

// A frame around one DispB that relays its signals.
class DispAWLayout : public QFrame
{
    Q_OBJECT

public:
    explicit DispAWLayout(QWidget* parent = nullptr);

    Ui_DispAWLayout form;

signals:
    void drawImage0(QPainter* p);
    void drawImage1(QPainter* p);
    void drawImage2(QPainter* p);
    void mouseMoved0();
    void mousePressed0();
    void mouseReleased0();
    void mouseDoubleClicked0();
    void wheelMoved0();
};
