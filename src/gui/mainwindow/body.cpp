#include "body.h"

#include "batch/batch.h"
#include "config/config.h"

#include <QCloseEvent>

#include <functional>

namespace
{

// The command set in its fixed order: every keyword that matches the command word runs.
struct Command {
    const char* keyword;
    std::function<void(Body&, const BatchCmd&)> action;
};

} // namespace

Body::Body() : QMainWindow(nullptr), batch(std::make_unique<Batch>())
{
    qRegisterMetaType<BatchCmd>("BatchCmd");
    ui.setupUi(this);

    batchThread = std::make_unique<QThread>();
    batch->moveToThread(batchThread.get());
    batchThread->start();
    connect(this, &Body::callBatchLoad, batch.get(), &Batch::batchLoad);
    connect(this, &Body::callBatchExec, batch.get(), &Batch::batchExec);
    connect(batch.get(), &Batch::batchExCmd, this, &Body::batchExCmd);
    connect(this, &Body::callBatchCheckEnd, batch.get(), &Batch::batchCheckEnd);

    for (const QString& line : Config::instance().lines())
        batchExCmd(BatchCmd::parse(line));
}

Body::~Body()
{
    batchThread->quit();
    batchThread->wait();
}

void Body::batchExCmd(BatchCmd cmd)
{
    static const Command commands[] = {
        {"show_tab", [](Body& b, const BatchCmd& c) { b.showTab(c.intArg(0)); }},
        {"show_orig", [](Body& b, const BatchCmd&) { b.showTab(0); }},
        {"show_sinogram", [](Body& b, const BatchCmd&) { b.showTab(1); }},
        {"show_ct1", [](Body& b, const BatchCmd&) { b.showTab(2); }},
        {"show_i0", [](Body& b, const BatchCmd&) { b.showTab(3); }},
        {"show_bg", [](Body& b, const BatchCmd&) { b.showTab(4); }},
    };
    for (const Command& command : commands)
        if (cmd.cmd.compare(QLatin1String(command.keyword), Qt::CaseInsensitive) == 0)
            command.action(*this, cmd);
    emit callBatchCheckEnd();
}

void Body::showTab(int position)
{
    ui.ImgsTab->setCurrentIndex(position);
}

void Body::closeEvent(QCloseEvent* event)
{
    emit finishing();
    QMainWindow::closeEvent(event);
}
