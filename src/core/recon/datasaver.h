#pragma once

#include "savingrecords.h"
#include "slicefiles.h"

#include <QObject>

// Writes slice pictures and data files in arrival order on its own thread. Every file is
// written through a temporary file and renamed, so no half-written result is ever left.
class DataSaver : public QObject
{
    Q_OBJECT

public:
    explicit DataSaver(QObject* parent = nullptr);

    SliceFiles::FolderOptions options;

signals:
    void fileWritten(QString path);
    void writeFailed(QString path, QString reason);

public slots:
    void setOptions(bool useSubFolders, bool ofEnergy, bool ofSlice);
    void saveDataWDiscard(SavingData data);
    void saveData(const SavingData& data);
    void saveImg(const SavingImg& img);
    void saveImgWDiscard(SavingImg img);

private:
    // Writes through `write` into every directory the options give; reports each file.
    template <typename Write>
    void writeEach(const QString& path, const QString& tag, const QString& number,
                   const QString& fileName, Write write);
};
