#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target sets up once: a Qt application object, a private directory for the
// input files and a low frame limit, so a run stays within its memory.
namespace FuzzSupport
{
inline constexpr qint64 MaxFrameBytes = 8 * 1024 * 1024;

void init();
// The private directory, absolute.
QString workDir();
// Writes `bytes` to `name` in the private directory and returns its absolute path.
QString writeFile(const QString& name, const QByteArray& bytes);
// The fuzzer's input without a copy; valid while the call runs.
QByteArray view(const uint8_t* data, size_t size);
// Loads the first frame into memory and the last one mapped (ImgData::FileType `type`), and
// reads rows, columns and values of each frame that loads, as the image sets do.
void readImage(int type, const QString& path);
} // namespace FuzzSupport
