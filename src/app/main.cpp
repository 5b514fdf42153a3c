#include "config/config.h"
#include "config/startupplan.h"
#include "mainwindow/body.h"
#include "mainwindow/translation.h"
#include "mainwindow/unixsignalwatcher.h"
#include "util/largeallocations.h"

#include <QApplication>
#include <QTranslator>

#include <cstdio>

namespace
{

// Without a display the offscreen platform keeps the program usable (-nw, scripts, CI).
void chooseOffscreenWithoutDisplay(bool showWindow)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (showWindow)
        std::fputs("cirvo: no display found; running on the offscreen platform\n", stderr);
}

} // namespace

int main(int argc, char** argv)
{
    keepLargeAllocationsMapped();
    UnixSignalWatcher::installHandlers();
    Config& config = Config::instance();
    config.parseArguments(argc, argv);
    chooseOffscreenWithoutDisplay(!config.contains(QStringLiteral("-nw")));

    QApplication app(argc, argv);
    QTranslator translator;
    QApplication::setStyle(QStringLiteral("Fusion"));

    config.readFile(StartupPlan::configFileName(config));
    const StartupPlan plan = StartupPlan::fromConfig(config, Config::dataRoot());
    Config::setDataRoot(plan.dataRoot);
    if (plan.translate)
        installTranslation(app, translator);

    int status = 0;
    {
        Body body;
        QObject::connect(&body, &Body::finishing, &app, &QApplication::quit);
        UnixSignalWatcher watcher;
        QObject::connect(&watcher, &UnixSignalWatcher::terminationRequested, &body, &Body::close);
        if (plan.showWindow) {
            body.show();
            body.placeWindows();
        }
        if (plan.loadBatch)
            emit body.callBatchLoad(plan.batchFile);
        if (plan.execBatch)
            emit body.callBatchExec();
        status = QApplication::exec();
    }
    return status;
}
