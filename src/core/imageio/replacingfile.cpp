#include "replacingfile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Data on disk before the rename, or a crash could leave a renamed but empty file.
bool syncToDisk(const QString& path, QString& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fdatasync(fd) != 0) {
        error = QStringLiteral("can not put the file on disk: ") + systemError(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

ReplacingFile::ReplacingFile(const QString& target) : m_target(target) {}

ReplacingFile::~ReplacingFile()
{
    discard();
}

bool ReplacingFile::create()
{
    discard();
    // Open with O_EXCL under a random name, so two writers never share a temporary file; the
    // mode leaves the final file's permissions to the umask, as for any new file.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate =
            m_target + u'.' + QString::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_temp = candidate;
            m_error.clear();
            return true;
        }
        if (errno != EEXIST) {
            m_error = QStringLiteral("can not create a file there: ") + systemError(errno);
            return false;
        }
    }
    m_error = QStringLiteral("can not create a file there: no free temporary name");
    return false;
}

bool ReplacingFile::commit()
{
    if (m_temp.isEmpty()) {
        m_error = QStringLiteral("nothing was written");
        return false;
    }
    if (!syncToDisk(m_temp, m_error)) {
        discard();
        return false;
    }
    if (std::rename(QFile::encodeName(m_temp).constData(),
                    QFile::encodeName(m_target).constData()) != 0) {
        m_error = QStringLiteral("can not put the file in place: ") + systemError(errno);
        discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void ReplacingFile::discard()
{
    if (m_temp.isEmpty())
        return;
    ::unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
}
