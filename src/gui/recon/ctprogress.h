#pragma once

#include <QObject>

// Paces a one-projection-at-a-time reconstruction from its own thread: each request reaches the
// panel as a queued call, so the display updates and a stop can take effect in between.
class CtProgress : public QObject
{
    Q_OBJECT

public:
    explicit CtProgress(QObject* parent = nullptr);

    int total = 0;
    int current = 0;

signals:
    void calcAll();
    void calcOne(int pc);
    void finishedCalcOneByOne();

public slots:
    void startCalcAll();
    void startCalcOneByOne();
    void calcNext();
};
