#pragma once

#include <QString>
#include <QStringList>

// Reads a configuration or batch file whole, as UTF-8 lines without their ends. Only regular
// files are read, and never more than a limit: a device such as /dev/zero, a pipe or a file that
// keeps growing would otherwise stall the reader and fill the memory.
class LineFile
{
public:
    enum class Result { Read, CannotOpen, TooLarge };

    // No configuration or batch file comes near this.
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;

    Result read(const QString& path, qint64 maxBytes = MaxBytes);

    // The last file read; empty after a refusal.
    const QStringList& lines() const { return m_lines; }
    qint64 bytes() const { return m_bytes; }

private:
    QStringList m_lines;
    qint64 m_bytes = 0;
};
