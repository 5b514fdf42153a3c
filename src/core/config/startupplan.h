#pragma once

#include <QString>

class Config;

// What start-up does once the command line and the configuration file are in the store.
struct StartupPlan {
    QString dataRoot;
    bool translate = true;
    bool showWindow = true;
    bool loadBatch = false;
    QString batchFile;
    bool execBatch = false;
    // -q with -b and -x: quit when the script ends, with status 1 when it cannot be loaded.
    bool quitAfterBatch = false;

    // "config.cfg", replaced by "-c", replaced in turn by "-config".
    static QString configFileName(const Config& config);
    static StartupPlan fromConfig(const Config& config, const QString& currentDataRoot);
};
