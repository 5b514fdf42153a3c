#include "linefile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

LineFile::Result LineFile::read(const QString& path, qint64 maxBytes)
{
    m_lines.clear();
    m_bytes = 0;
    if (!QFileInfo(path).isFile())
        return Result::CannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::CannotOpen;
    const qint64 size = file.size();
    if (size > maxBytes)
        return Result::TooLarge;
    // As large as the file was at open: a file that grows meanwhile is read as it was then,
    // and asking for the limit would allocate all of it for every file.
    QByteArray bytes = file.read(size);

    m_bytes = bytes.size();
    QTextStream in(&bytes, QIODevice::ReadOnly);
    in.setEncoding(QStringConverter::Utf8);
    QString line;
    while (in.readLineInto(&line))
        m_lines.append(line);
    return Result::Read;
}
