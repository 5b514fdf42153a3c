#include "cirvologging.h"

Q_LOGGING_CATEGORY(lcConfig, "cirvo.config")
Q_LOGGING_CATEGORY(lcImageIo, "cirvo.imageio")
Q_LOGGING_CATEGORY(lcBatch, "cirvo.batch")
Q_LOGGING_CATEGORY(lcRecon, "cirvo.recon")
Q_LOGGING_CATEGORY(lcXafs, "cirvo.xafs")
Q_LOGGING_CATEGORY(lcLink, "cirvo.link")
Q_LOGGING_CATEGORY(lcView3d, "cirvo.view3d")
