#include "datafile.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::atomic<qint64> opens{0};

} // namespace

std::shared_ptr<const DataFile> DataFile::open(const QString& path)
{
    ++opens;
    // Without O_NONBLOCK, opening a pipe that has no writer would wait for ever.
    int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat status;
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    return std::shared_ptr<const DataFile>(
        new DataFile(path, fd, fd >= 0 ? qint64(status.st_size) : 0));
}

qint64 DataFile::openCount()
{
    return opens;
}

DataFile::DataFile(const QString& path, int fd, qint64 size) : m_path(path), m_fd(fd), m_size(size)
{
}

DataFile::~DataFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 DataFile::read(qint64 offset, qint64 bytes, void* to) const
{
    if (offset < 0 || bytes <= 0 || offset >= m_size)
        return 0;
    const qint64 wanted = std::min(bytes, m_size - offset);
    auto* target = static_cast<char*>(to);
    qint64 filled = 0;
    while (filled < wanted) {
        const ssize_t got =
            ::pread(m_fd, target + filled, size_t(wanted - filled), off_t(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    return filled;
}

QByteArray DataFile::read(qint64 offset, qint64 bytes) const
{
    QByteArray out;
    if (offset >= 0 && bytes > 0 && offset < m_size) {
        out.resize(qsizetype(std::min(bytes, m_size - offset)));
        out.truncate(qsizetype(read(offset, out.size(), out.data())));
    }
    return out;
}

std::shared_ptr<const uchar> DataFile::mapping() const
{
    const std::lock_guard lock(m_mapMutex);
    if (m_mapTried)
        return m_mapping;
    m_mapTried = true;
    if (m_size <= 0 || quint64(m_size) > std::numeric_limits<size_t>::max())
        return {};
    const size_t length = size_t(m_size);
    void* base = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, m_fd, 0);
    if (base == MAP_FAILED)
        return {};
    m_mapping =
        std::shared_ptr<const uchar>(static_cast<const uchar*>(base), [length](const uchar* p) {
            ::munmap(const_cast<uchar*>(p), length);
        });
    return m_mapping;
}
