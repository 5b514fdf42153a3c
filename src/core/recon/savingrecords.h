#pragma once

#include "imageio/slicefloats.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

#include <limits>
#include <memory>

// What a worker hands to the saver: where and under which name, and the bytes or the picture.
// Values, so a record can cross threads and nothing is left to free if nobody receives it.
struct SavingData {
    QString path;
    QString name;
    QString tag;
    QString number; // "%05d" of the slice
    QByteArray data;
};

struct SavingImg {
    QString path;
    QString name;
    QString tag;
    QString number;
    QImage image;
};

// A slice's values as floats, for its own float TIFF and for the data set's volume files. The
// floats are shared, so one record can go to both without a copy.
struct SavingFloats {
    QString path;
    QString name;
    QString tag;
    QString number; // "%05d" of the slice, for file and folder names
    int slice = 0;
    double cor = std::numeric_limits<double>::quiet_NaN();
    double energyEv = std::numeric_limits<double>::quiet_NaN(); // NaN when not known
    std::shared_ptr<const SliceFloats> floats;
};

// A data set's volume files: one multi-page TIFF and/or one HDF5 file holding all its slices.
struct SavingVolume {
    QString path;
    QString name;
    QString tag;
    QList<int> slices; // the order of the pages and of the HDF5 indices
    double cor = std::numeric_limits<double>::quiet_NaN();
    QList<double> anglesDeg; // one per projection
    double energyEv = std::numeric_limits<double>::quiet_NaN();
    bool tiffStack = true;
    bool hdf5 = true;
};

Q_DECLARE_METATYPE(SavingData)
Q_DECLARE_METATYPE(SavingImg)
Q_DECLARE_METATYPE(SavingFloats)
Q_DECLARE_METATYPE(SavingVolume)
