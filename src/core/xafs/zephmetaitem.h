#pragma once

#include <QMetaType>
#include <QString>

// One energy point of a Zeph meta file: a multi-frame data file and the I0 file that goes
// with it.
struct ZephMetaItem {
    int number = 0;
    // keV, as written in the meta file.
    QString energy;
    QString note;
    QString dataPath;
    // The entry's own I0 file, or that of the nearest earlier entry that had one.
    QString i0Path;
};
Q_DECLARE_METATYPE(ZephMetaItem)
