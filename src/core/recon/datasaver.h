#pragma once

#include "savingrecords.h"
#include "slicefiles.h"

#include <QObject>

#include <map>
#include <memory>
#include <tuple>

// Writes slice pictures and data files in arrival order on its own thread. Every file is
// written through a temporary file and renamed, so no half-written result is ever left.
//
// Float output: saveFloats writes "name-tag-number.tif" (one 32-bit float page) into the
// folders of the other slice files. A data set's volume files are begun with its list of
// slices, fed one slice at a time in any order, and ended: "name-tag.tif" (a page per slice,
// in the list's order) and "name-tag.h5" (see H5Volume), both in the path, or in its tag
// sub-folder when the options make sub-folders of energy. An end before every slice came
// still keeps the slices that did (each page names its slice; the HDF5 file marks them in
// slice_present); a data set without any slice leaves no file and reports a failure.
class DataSaver : public QObject
{
    Q_OBJECT

public:
    explicit DataSaver(QObject* parent = nullptr);
    ~DataSaver() override;

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
    void saveFloats(const SavingFloats& floats);
    void saveFloatsWDiscard(SavingFloats floats);

    // Opens the data set's volume files under the folder options of now; one begun again is
    // ended first.
    void beginVolume(const SavingVolume& volume);
    void addToVolume(const SavingFloats& floats);
    // Renames the volume files into place and reports each through fileWritten/writeFailed.
    void endVolume(QString path, QString name, QString tag);

private:
    struct Volume;
    using VolumeKey = std::tuple<QString, QString, QString>;

    // Writes through `write` into every directory the options give; reports each file.
    template <typename Write>
    void writeEach(const QString& path, const QString& tag, const QString& number,
                   const QString& fileName, Write write);
    // Drops a volume file that failed, reporting it; a refused slice is only logged.
    template <typename Writer> void checkAdded(std::unique_ptr<Writer>& writer, bool added);
    template <typename Writer> void finishVolumeFile(Writer& writer);
    void reportVolumeFailure(const QString& target, const QString& reason);

    // A data set's volumes stay open between calls; closed (and removed) with the saver.
    std::map<VolumeKey, std::unique_ptr<Volume>> m_volumes;
};
