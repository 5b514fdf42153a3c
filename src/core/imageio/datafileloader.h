#pragma once

#include <QObject>
#include <QStringList>

class ImgDatas;

// Loads chosen files into the image set one file per turn of the event loop, so the window
// stays responsive; a multi-frame file is loaded frame by frame in one turn.
class DataFileLoader : public QObject
{
    Q_OBJECT

public:
    explicit DataFileLoader(ImgDatas* set, QObject* parent = nullptr);

    QStringList pendingFiles;
    QString currentFile;
    // Images of the current selection that could not be added (unreadable, another size): a
    // data set missing some of its projections must not be reconstructed as if whole.
    int refusedImages() const { return m_refused; }

signals:
    void askLoadNextDataFile();
    void askLoadNextMultiData(int idx);
    void noticeFinishedLoadDataFiles();
    // The list entry of one loaded image: the file name, or "name(frame)".
    void imageLoaded(QString entry);
    // A new selection emptied the set.
    void imagesCleared();

public slots:
    void dataFilesSelected(const QStringList& files, bool clear);
    void loadNextDataFile();
    void loadNextMultiData(int idx);

private:
    bool add(const QString& entry, int frame);

    ImgDatas* m_set;
    int m_refused = 0;
    // Frames of the current file, counted once: counting again would open it again.
    int m_frames = 0;
};
