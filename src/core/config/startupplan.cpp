#include "startupplan.h"

#include "config.h"

QString StartupPlan::configFileName(const Config& config)
{
    QString name = QStringLiteral("config.cfg");
    if (config.contains(QStringLiteral("-c")))
        name = config.value(QStringLiteral("-c"));
    if (config.contains(QStringLiteral("-config")))
        name = config.value(QStringLiteral("-config"));
    return name;
}

StartupPlan StartupPlan::fromConfig(const Config& config, const QString& currentDataRoot)
{
    StartupPlan plan;
    plan.dataRoot = config.value(QStringLiteral("DataRoot"), currentDataRoot);
    if (config.contains(QStringLiteral("-d")))
        plan.dataRoot = config.value(QStringLiteral("-d"), plan.dataRoot);
    plan.translate = !config.contains(QStringLiteral("-e"));
    plan.showWindow = !config.contains(QStringLiteral("-nw"));
    plan.loadBatch = config.contains(QStringLiteral("-b"));
    plan.batchFile = config.value(QStringLiteral("-b"));
    plan.execBatch = config.contains(QStringLiteral("-x"));
    plan.quitAfterBatch = plan.loadBatch && plan.execBatch && config.contains(QStringLiteral("-q"));
    return plan;
}
