#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a signal on the GUI thread, so that a window started with -nw
// can still be closed in order: threads stopped, results flushed, exit status 0.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; call once, as early as possible.
    static void installHandlers();
    explicit UnixSignalWatcher(QObject* parent = nullptr);

signals:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier;
};
