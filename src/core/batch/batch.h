#pragma once

#include "batchcmd.h"

#include <QObject>
#include <QStringList>

#include <atomic>

// The batch interpreter: holds a script and hands its commands one at a time to the main window,
// waiting for batchCheckEnd after each; it executes only the control words itself (":ifok",
// ":ifng", ":goto", ":end", ":stop", ":echo"). Lives on its own thread; the main window talks to
// it through queued connections.
class Batch : public QObject
{
    Q_OBJECT

public:
    explicit Batch(QObject* parent = nullptr);

    // The result flag that ":ifok" and ":ifng" test. The main window writes it from its thread
    // after "seq_exec_next", while the interpreter waits for batchCheckEnd.
    std::atomic<bool> ok{true};

    // For the interpreter's own thread.
    bool isRunning() const { return running; }
    int nextLine() const { return pc; }
    const QStringList& lines() const { return script; }

signals:
    void batchExecNext();
    void batchFinishALine();
    void batchExCmd(BatchCmd cmd);
    // A running script has ended: ":end", ":stop", past its last line, or stopped.
    void ended();
    // batchLoad refused the file; the previous script stays.
    void loadFailed();

public slots:
    void batchLoad(QString fname);
    void batchExec();
    void batchCheckEnd();

private slots:
    void batchStart();
    void batchStop();
    void batchNext();

private:
    void continueIfScript();
    void stopRunning();
    void jumpTo(const QString& label);

    bool running = false;
    int pc = 0;
    QStringList script;
};
