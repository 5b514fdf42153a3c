#pragma once

#include <QString>

// A new file beside `target`, for writers that need a path (libtiff, HDF5): commit() renames
// it over the target, anything else removes it, so the target is always either what it was or
// the whole new file.
class ReplacingFile
{
public:
    explicit ReplacingFile(const QString& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Makes the empty temporary file; false, with error(), when the directory takes none.
    bool create();
    const QString& target() const { return m_target; }
    const QString& tempPath() const { return m_temp; }

    // Puts the written file on disk, then in place of the target.
    bool commit();
    void discard();
    const QString& error() const { return m_error; }

private:
    QString m_target;
    QString m_temp;
    QString m_error;
};
