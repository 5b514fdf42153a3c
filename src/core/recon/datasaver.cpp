#include "datasaver.h"

#include "cirvologging.h"
#include "imageio/floattiff.h"
#include "imageio/h5volume.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

struct DataSaver::Volume {
    QHash<int, int> indexOf; // slice number -> page and HDF5 index
    std::unique_ptr<FloatTiff::Stack> stack;
    std::unique_ptr<H5Volume> h5;
};

namespace
{

// Writes through QSaveFile; the reason of a failure, empty on success.
template <typename Write> QString saveThrough(const QString& target, Write write)
{
    QSaveFile file(target);
    QString reason;
    if (!file.open(QIODevice::WriteOnly))
        reason = file.errorString();
    else if (!write(file))
        reason = file.errorString().isEmpty() ? QStringLiteral("write failed") : file.errorString();
    else if (!file.commit())
        reason = file.errorString();
    if (!reason.isEmpty())
        file.cancelWriting();
    return reason;
}

FloatTiff::Page tiffPage(const SavingFloats& f)
{
    const QString file = SliceFiles::fileName(f.name, f.tag, f.number, QStringLiteral("tif"));
    return {QFileInfo(file).completeBaseName(), f.slice, f.cor, f.energyEv};
}

} // namespace

DataSaver::DataSaver(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<SavingData>("SavingData");
    qRegisterMetaType<SavingImg>("SavingImg");
    qRegisterMetaType<SavingFloats>("SavingFloats");
    qRegisterMetaType<SavingVolume>("SavingVolume");
}

DataSaver::~DataSaver() = default;

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
        const QString reason = write(target);
        if (reason.isEmpty()) {
            emit fileWritten(target);
            continue;
        }
        qCDebug(lcRecon) << "Can not write slice file" << target << reason;
        emit writeFailed(target, reason);
    }
}

void DataSaver::saveData(const SavingData& data)
{
    writeEach(data.path, data.tag, data.number,
              SliceFiles::fileName(data.name, data.tag, data.number, QStringLiteral("dat")),
              [&](const QString& target) {
                  return saveThrough(
                      target, [&](QSaveFile& f) { return f.write(data.data) == data.data.size(); });
              });
}

void DataSaver::saveDataWDiscard(SavingData data)
{
    saveData(data);
}

void DataSaver::saveImg(const SavingImg& img)
{
    writeEach(img.path, img.tag, img.number,
              SliceFiles::fileName(img.name, img.tag, img.number, QStringLiteral("png")),
              [&](const QString& target) {
                  return saveThrough(target,
                                     [&](QSaveFile& f) { return img.image.save(&f, "PNG"); });
              });
}

void DataSaver::saveImgWDiscard(SavingImg img)
{
    saveImg(img);
}

void DataSaver::saveFloats(const SavingFloats& floats)
{
    const SliceFloats none;
    const SliceFloats& values = floats.floats ? *floats.floats : none;
    writeEach(floats.path, floats.tag, floats.number,
              SliceFiles::fileName(floats.name, floats.tag, floats.number, QStringLiteral("tif")),
              [&](const QString& target) {
                  QString reason;
                  FloatTiff::writeSlice(target, values, tiffPage(floats), reason);
                  return reason;
              });
}

void DataSaver::saveFloatsWDiscard(SavingFloats floats)
{
    saveFloats(floats);
}

void DataSaver::beginVolume(const SavingVolume& volume)
{
    const VolumeKey key{volume.path, volume.name, volume.tag};
    if (m_volumes.contains(key))
        endVolume(volume.path, volume.name, volume.tag);
    const QDir dir(SliceFiles::volumeDirectory(volume.path, volume.tag, options));
    QDir().mkpath(dir.path());
    const auto target = [&](const char* ext) {
        return dir.absoluteFilePath(
            SliceFiles::volumeFileName(volume.name, volume.tag, QString::fromLatin1(ext)));
    };

    auto files = std::make_unique<Volume>();
    for (int i = 0; i < volume.slices.size(); ++i)
        files->indexOf.insert(volume.slices.at(i), i);
    if (volume.tiffStack) {
        files->stack = std::make_unique<FloatTiff::Stack>(target("tif"), volume.slices.size());
        if (!files->stack->open()) {
            reportVolumeFailure(files->stack->target(), files->stack->error());
            files->stack.reset();
        }
    }
    if (volume.hdf5) {
        files->h5 = std::make_unique<H5Volume>(
            target("h5"),
            H5Volume::Info{volume.slices, volume.cor, volume.anglesDeg, volume.energyEv});
        if (!files->h5->open()) {
            reportVolumeFailure(files->h5->target(), files->h5->error());
            files->h5.reset();
        }
    }
    if (files->stack || files->h5)
        m_volumes[key] = std::move(files);
}

void DataSaver::addToVolume(const SavingFloats& floats)
{
    const auto found = m_volumes.find({floats.path, floats.name, floats.tag});
    if (found == m_volumes.end() || !floats.floats) {
        qCDebug(lcRecon) << "No volume file takes slice" << floats.slice << "of" << floats.tag;
        return;
    }
    Volume& volume = *found->second;
    const int index = volume.indexOf.value(floats.slice, -1);
    if (index < 0) {
        qCDebug(lcRecon) << "Slice" << floats.slice << "is not one of the volume's slices";
        return;
    }
    if (volume.stack)
        checkAdded(volume.stack, volume.stack->add(index, floats.floats, tiffPage(floats)));
    if (volume.h5)
        checkAdded(volume.h5, volume.h5->write(index, *floats.floats));
}

void DataSaver::endVolume(QString path, QString name, QString tag)
{
    auto node = m_volumes.extract({path, name, tag});
    if (node.empty())
        return;
    Volume& volume = *node.mapped();
    if (volume.stack)
        finishVolumeFile(*volume.stack);
    if (volume.h5)
        finishVolumeFile(*volume.h5);
}

template <typename Writer> void DataSaver::checkAdded(std::unique_ptr<Writer>& writer, bool added)
{
    if (added)
        return;
    if (!writer->failed()) {
        qCDebug(lcRecon) << "Slice not added to" << writer->target() << writer->error();
        return;
    }
    reportVolumeFailure(writer->target(), writer->error());
    writer.reset();
}

template <typename Writer> void DataSaver::finishVolumeFile(Writer& writer)
{
    if (writer.finish())
        emit fileWritten(writer.target());
    else
        reportVolumeFailure(writer.target(), writer.error());
}

void DataSaver::reportVolumeFailure(const QString& target, const QString& reason)
{
    qCDebug(lcRecon) << "Can not write volume file" << target << reason;
    emit writeFailed(target, reason);
}
