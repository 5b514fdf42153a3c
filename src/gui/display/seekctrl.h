#pragma once

#include "ui_seekctrl.h"

#include <QFrame>

// Selects an index with a slider, steps of ten on the arrow buttons, or a spin box. Setting
// the spin box reports through indexChanged() as well, so a drag or a step reports the new
// index twice; receivers treat newIndex() as idempotent.
class SeekCtrl : public QFrame
{
    Q_OBJECT

public:
    explicit SeekCtrl(QWidget* parent = nullptr);

    // Both "Seek" and "Index" run from 0 to `max`.
    void setMaximum(int max);

    // Owners reach "Seek" and "Index" directly.
    Ui_SeekCtrl ui;

signals:
    void newIndex(int idx);

public slots:
    void sliderMoved(int val);
    void indexChanged(int val);
    void inc();
    void dec();

private:
    void stepTo(int val);
};
