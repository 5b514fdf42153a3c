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
    if (file.size() > maxBytes)
        return Result::TooLarge;
    // One byte beyond the limit tells a file that grew since its size was taken.
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return Result::TooLarge;

    m_bytes = bytes.size();
    QTextStream in(&bytes, QIODevice::ReadOnly);
    in.setEncoding(QStringConverter::Utf8);
    QString line;
    while (in.readLineInto(&line))
        m_lines.append(line);
    return Result::Read;
}
