#pragma once

#include <QLoggingCategory>

// One category per area, so a user can silence or select them with QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcConfig)
Q_DECLARE_LOGGING_CATEGORY(lcImageIo)
Q_DECLARE_LOGGING_CATEGORY(lcBatch)
Q_DECLARE_LOGGING_CATEGORY(lcRecon)
Q_DECLARE_LOGGING_CATEGORY(lcXafs)
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcView3d)
