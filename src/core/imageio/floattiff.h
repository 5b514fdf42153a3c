#pragma once

#include "replacingfile.h"
#include "slicefloats.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <limits>
#include <map>
#include <memory>

// Slices as 32-bit float TIFF (one sample, min-is-black, uncompressed strips), which libtiff,
// tifffile and Fiji read. Files are written beside their target and renamed into place.
namespace FloatTiff
{

// What a page tells of its slice besides the pixels.
struct Page {
    QString name; // the PageName tag
    int slice = 0;
    double cor = std::numeric_limits<double>::quiet_NaN();      // centre of rotation, pixels
    double energyEv = std::numeric_limits<double>::quiet_NaN(); // NaN when not known
};

// The ImageDescription: "Cirvo slice", then one "key=value" line each for slice, x0 and z0 (the
// result pixel of the first value), and cor and energy_eV when known.
QByteArray description(const Page& page, const SliceFloats& floats);

// One slice, one file; false with the reason in `error`, and the target left as it was.
bool writeSlice(const QString& target, const SliceFloats& floats, const Page& page, QString& error);

class PageWriter;

// One multi-page file per data set, page i for index i of its slices. Slices from a pool of
// workers come in any order: early ones are held until the gap before them fills. Should the
// held pages pass `maxHeldBytes` (a slice that never comes), the gap is skipped and a slice
// arriving later for it is refused. Nothing is left at the target until finish().
class Stack
{
public:
    static constexpr qint64 DefaultMaxHeldBytes = qint64(1) << 30;

    Stack(const QString& target, int count, qint64 maxHeldBytes = DefaultMaxHeldBytes);
    ~Stack();
    Stack(const Stack&) = delete;
    Stack& operator=(const Stack&) = delete;

    // Makes the temporary file, so an unwritable directory shows before any slice is made.
    bool open();
    // False for a refused page (index out of range or already passed, another size) or a
    // failed write; failed() tells the two apart.
    bool add(int index, std::shared_ptr<const SliceFloats> floats, const Page& page);
    // Writes the held pages, in order over any gaps, and renames the file into place; false
    // when no page came or the file could not be completed, and then nothing is left.
    bool finish();
    void abort();

    bool failed() const { return m_failed; }
    const QString& error() const { return m_error; }
    const QString& target() const { return m_file.target(); }
    // The indices written so far, in page order.
    const QList<int>& pages() const { return m_pages; }

private:
    struct Held {
        std::shared_ptr<const SliceFloats> floats;
        Page page;
    };

    bool refuse(const QString& reason);
    bool fail(const QString& reason);
    bool writeHeld(bool all);
    bool writePage(const SliceFloats& floats, const Page& page);

    ReplacingFile m_file;
    std::unique_ptr<PageWriter> m_writer;
    int m_count;
    qint64 m_maxHeldBytes;
    std::map<int, Held> m_held;
    qint64 m_heldBytes = 0;
    int m_next = 0;
    int m_width = 0;
    int m_height = 0;
    QList<int> m_pages;
    bool m_failed = false;
    QString m_error;
};

} // namespace FloatTiff
