#include "datasaver.h"

#include "cirvologging.h"

#include <QDir>
#include <QSaveFile>

DataSaver::DataSaver(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<SavingData>("SavingData");
    qRegisterMetaType<SavingImg>("SavingImg");
}

void DataSaver::setOptions(bool useSubFolders, bool ofEnergy, bool ofSlice)
{
    options = {useSubFolders, ofEnergy, ofSlice};
}

template <typename Write>
void DataSaver::writeEach(const QString& path, const QString& tag, const QString& number,
                          const QString& fileName, Write write)
{
    for (const QString& dir : SliceFiles::directories(path, tag, number, options)) {
        const QString target = QDir(dir).absoluteFilePath(fileName);
        QDir().mkpath(dir);
        QSaveFile file(target);
        QString reason;
        if (!file.open(QIODevice::WriteOnly))
            reason = file.errorString();
        else if (!write(file))
            reason =
                file.errorString().isEmpty() ? QStringLiteral("write failed") : file.errorString();
        else if (!file.commit())
            reason = file.errorString();
        if (reason.isEmpty()) {
            emit fileWritten(target);
            continue;
        }
        file.cancelWriting();
        qCDebug(lcRecon) << "Can not write slice file" << target << reason;
        emit writeFailed(target, reason);
    }
}

void DataSaver::saveData(const SavingData& data)
{
    writeEach(data.path, data.tag, data.number,
              SliceFiles::fileName(data.name, data.tag, data.number, QStringLiteral("dat")),
              [&](QSaveFile& f) { return f.write(data.data) == data.data.size(); });
}

void DataSaver::saveDataWDiscard(SavingData data)
{
    saveData(data);
}

void DataSaver::saveImg(const SavingImg& img)
{
    writeEach(img.path, img.tag, img.number,
              SliceFiles::fileName(img.name, img.tag, img.number, QStringLiteral("png")),
              [&](QSaveFile& f) { return img.image.save(&f, "PNG"); });
}

void DataSaver::saveImgWDiscard(SavingImg img)
{
    saveImg(img);
}
