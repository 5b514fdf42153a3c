#pragma once

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QString>

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

Q_DECLARE_METATYPE(SavingData)
Q_DECLARE_METATYPE(SavingImg)
