#pragma once

#include "batch/batchcmd.h"
#include "ui_body.h"

#include <QMainWindow>
#include <QThread>

#include <memory>

class Batch;

// The one main window. It owns the panels and workers and executes batch commands, including
// the configuration file's lines at the end of its construction.
class Body : public QMainWindow
{
    Q_OBJECT

public:
    Body();
    ~Body() override;

signals:
    void finishing();
    void callBatchLoad(QString fname);
    void callBatchExec();
    void callBatchCheckEnd();

public slots:
    void batchExCmd(BatchCmd cmd);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showTab(int position);

    std::unique_ptr<Batch> batch;
    std::unique_ptr<QThread> batchThread;
    Ui_Body ui;
};
