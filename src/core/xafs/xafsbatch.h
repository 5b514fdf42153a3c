#pragma once

#include <QObject>
#include <QString>

#include <atomic>

// Works through a range of CT-XAFS data sets without the user: select the first set, let the
// window load it, calculate, select the next set, until the data-set panel has no more. It
// only keeps the run state and the clock and sends the steps; the window carries them out.
// Lives on its own thread; the window reads the clock directly.
class XafsBatch : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool isRunning() const { return m_running; }
    // Milliseconds since the last start; 0 before the first. Safe to call from any thread.
    qint64 elapsed() const;

signals:
    void stage(QString msg, qlonglong dEt);
    void starting();
    void setFirstImageSet();
    void setNextImageSet();
    void execCalculation();
    void finished();

public slots:
    // Starts a run, or ends the running one (the same button does both).
    void start();
    void loadedDataSet();
    void calcFinished();
    void noMoreSets();
    void finish();

private:
    void noticeStage(const QString& msg);

    std::atomic<bool> m_running = false;
    // Start of the clock in nanoseconds of the steady clock; negative before the first start.
    std::atomic<qint64> m_startNs = -1;
    qint64 m_lastElapsed = 0;
};
