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
    m_refused = 0;
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
    m_frames = ImgDatas::frameCountOf(currentFile);
    if (m_frames > 1) {
        emit askLoadNextMultiData(0);
        return;
    }
    add(currentFile, 0);
    emit askLoadNextDataFile();
}

void DataFileLoader::loadNextMultiData(int idx)
{
    for (; idx < m_frames; ++idx)
        add(QStringLiteral("%1(%2)").arg(currentFile).arg(idx), idx);
    emit askLoadNextDataFile();
}

bool DataFileLoader::add(const QString& entry, int frame)
{
    const bool added = m_set->add(currentFile, frame);
    if (added)
        emit imageLoaded(entry);
    else
        ++m_refused;
    return added;
}
