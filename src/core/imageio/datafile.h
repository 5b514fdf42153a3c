#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// An image file opened once for reading: its type check, its header and all its frames are read
// through the one descriptor, which the frames that serve their pixels from the file share.
// Reads are safe from any thread.
class DataFile : public std::enable_shared_from_this<DataFile>
{
public:
    // Never null; not isOpen() when the file cannot be opened or is no regular file (a pipe, a
    // device, a folder), and then every read comes back empty.
    static std::shared_ptr<const DataFile> open(const QString& path);
    // Files open() has tried to open since the process started, and the bytes read from all
    // files; tests count opens and reads with them.
    static qint64 openCount();
    static qint64 bytesReadCount();
    // Whether one more file may stay open for its frames: the files held open stay within half
    // the process's descriptor limit (raised to its hard limit once when needed), leaving the
    // rest to the files and sockets a run writes and talks through.
    static bool mayStayOpen();

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

private:
    DataFile(const QString& path, int fd, qint64 size);

    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
};
