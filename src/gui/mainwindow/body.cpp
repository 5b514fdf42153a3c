#include "body.h"

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

Body::Body() : QMainWindow(nullptr)
{
    qRegisterMetaType<BatchCmd>("BatchCmd");
    ui.setupUi(this);

    for (const QString& line : Config::instance().lines())
        batchExCmd(BatchCmd::parse(line));
}

Body::~Body() = default;

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
