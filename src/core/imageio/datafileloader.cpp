#include "datafileloader.h"

#include "cirvologging.h"
#include "imgdatas.h"

DataFileLoader::DataFileLoader(ImgDatas* set, QObject* parent) : QObject(parent), m_set(set)
{
    connect(this, &DataFileLoader::askLoadNextDataFile, this, &DataFileLoader::loadNextDataFile,
            Qt::QueuedConnection);
    connect(this, &DataFileLoader::askLoadNextMultiData, this, &DataFileLoader::loadNextMultiData,
            Qt::QueuedConnection);
}

void DataFileLoader::dataFilesSelected(const QStringList& files, bool clear)
{
    if (clear) {
        m_set->clearImgs();
        emit imagesCleared();
    }
    pendingFiles = files;
    qCDebug(lcImageIo) << "data file selected";
    emit askLoadNextDataFile();
}

void DataFileLoader::loadNextDataFile()
{
    if (pendingFiles.isEmpty()) {
        emit noticeFinishedLoadDataFiles();
        return;
    }
    currentFile = pendingFiles.takeFirst();
    if (ImgDatas::frameCountOf(currentFile) > 1) {
        emit askLoadNextMultiData(0);
        return;
    }
    if (m_set->add(currentFile, 0))
        emit imageLoaded(currentFile);
    emit askLoadNextDataFile();
}

void DataFileLoader::loadNextMultiData(int idx)
{
    const int frames = ImgDatas::frameCountOf(currentFile);
    for (; idx < frames; ++idx)
        if (m_set->add(currentFile, idx))
            emit imageLoaded(QStringLiteral("%1(%2)").arg(currentFile).arg(idx));
    emit askLoadNextDataFile();
}
