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
    QTranslator qtTranslator;
    QApplication::setStyle(QStringLiteral("Fusion"));

    config.readFile(StartupPlan::configFileName(config));
    const StartupPlan plan = StartupPlan::fromConfig(config, Config::dataRoot());
    Config::setDataRoot(plan.dataRoot);
    if (plan.translate) {
        installTranslation(app, translator);
        installQtTranslation(app, qtTranslator);
    }

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
        if (plan.quitAfterBatch) {
            // Load and start reach the interpreter in this order, so a refused file is reported
            // before the (previous, empty) script ends.
            QObject::connect(&body, &Body::batchLoadFailed, &app, [&status] {
                status = 1;
                QApplication::quit();
            });
            QObject::connect(&body, &Body::batchEnded, &app, [&status] {
                if (status == 0)
                    QApplication::quit();
            });
        }
        if (plan.loadBatch)
            emit body.callBatchLoad(plan.batchFile);
        if (plan.execBatch)
            emit body.callBatchExec();
        const int loopStatus = QApplication::exec();
        status = status != 0 ? status : loopStatus;
    }
    return status;
}
