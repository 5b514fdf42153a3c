#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

// An image file opened once for reading: its type check, its header and all its frames are read
// through the one descriptor, and a mapping of the whole file, made at most once, is shared by
// every frame that serves its pixels from the file. Reads are safe from any thread.
class DataFile : public std::enable_shared_from_this<DataFile>
{
public:
    // Never null; not isOpen() when the file cannot be opened or is no regular file (a pipe, a
    // device, a folder), and then every read comes back empty.
    static std::shared_ptr<const DataFile> open(const QString& path);
    // Files open() has tried to open since the process started; tests count opens with it.
    static qint64 openCount();

    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }
    // The size when the file was opened.
    qint64 size() const { return m_size; }
    // Reads up to `bytes` bytes from `offset` into `to` and returns how many it read: fewer
    // where the file ends.
    qint64 read(qint64 offset, qint64 bytes, void* to) const;
    QByteArray read(qint64 offset, qint64 bytes) const;
    // The whole file mapped read-only; the mapping outlives this object while it is held. Null
    // for an empty file or when the file cannot be mapped.
    std::shared_ptr<const uchar> mapping() const;

private:
    DataFile(const QString& path, int fd, qint64 size);

    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
    mutable std::mutex m_mapMutex;
    mutable std::shared_ptr<const uchar> m_mapping;
    mutable bool m_mapTried = false;
};
