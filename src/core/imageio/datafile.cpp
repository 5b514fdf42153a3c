#include "datafile.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::atomic<qint64> opens{0};
std::atomic<qint64> bytesRead{0};
// Descriptors held by DataFile objects now.
std::atomic<qint64> held{0};

// The soft descriptor limit, raised to the hard limit on the first call that finds `wanted`
// descriptors beyond it.
qint64 descriptorLimit(qint64 wanted)
{
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (rlim_t(wanted) > limit.rlim_cur && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? std::numeric_limits<qint64>::max()
                                           : qint64(limit.rlim_cur);
}

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

qint64 DataFile::bytesReadCount()
{
    return bytesRead;
}

bool DataFile::mayStayOpen()
{
    const qint64 wanted = 2 * (held + 1);
    return wanted <= descriptorLimit(wanted);
}

DataFile::DataFile(const QString& path, int fd, qint64 size) : m_path(path), m_fd(fd), m_size(size)
{
    if (m_fd >= 0)
        ++held;
}

DataFile::~DataFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        --held;
    }
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
    bytesRead += filled;
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
