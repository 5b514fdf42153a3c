#pragma once

#include "replacingfile.h"
#include "slicefloats.h"

#include <QList>
#include <QString>

#include <limits>
#include <map>
#include <vector>

// A data set's slices in one HDF5 file, laid out as
//   /slices  float32 (this machine's byte order), count x height x width, one chunk per
//            slice, uncompressed; index i holds the i-th slice of the data set; a slice
//            that never came reads as NaN (the fill value).
// with the attributes of /slices
//   slice_numbers       int32[count]    the slice number at each index
//   slice_present       uint8[count]    1 where that slice was written
//   centre_of_rotation  float64         in pixels; NaN when not known
//   angles_deg          float64[images] the projection angles, when given
//   energy_eV           float64         only when known
//   region_origin       int32[2]        x, z of the result pixel at [i][0][0]
// The file is written under a temporary name and renamed by finish(). HDF5 calls are made under
// one lock, since Debian's serial build need not be thread-safe; keep a volume to one thread.
class H5Volume
{
public:
    struct Info {
        QList<int> slices;
        double cor = std::numeric_limits<double>::quiet_NaN();
        QList<double> anglesDeg;
        double energyEv = std::numeric_limits<double>::quiet_NaN();
    };

    H5Volume(const QString& target, const Info& info);
    ~H5Volume();
    H5Volume(const H5Volume&) = delete;
    H5Volume& operator=(const H5Volume&) = delete;

    // Creates the temporary file, so an unwritable directory shows before any slice is made.
    bool open();
    // Writes the slice at `index` of the data set, in any order. False for a refused slice
    // (index out of range or written before, another size) or a failed write; failed() tells
    // the two apart.
    bool write(int index, const SliceFloats& floats);
    // Records which slices came and renames the file into place; false when no slice came or
    // the file could not be completed, and then nothing is left.
    bool finish();
    void abort();

    bool failed() const { return m_failed; }
    const QString& error() const { return m_error; }
    const QString& target() const { return m_file.target(); }

private:
    // Slices held until those before them are written: at most this many bytes of them.
    static constexpr qint64 MaxHeldBytes = qint64(1) << 30;

    bool createDataset(const SliceFloats& floats);
    bool writeChunk(int index, const SliceFloats& floats);
    bool writeAttributes(const SliceFloats& floats);
    bool refuse(const QString& reason);
    bool fail(const QString& reason);
    bool failH5(const QString& what);
    void closeIds();

    ReplacingFile m_file;
    Info m_info;
    // HDF5 ids (hid_t), kept out of this header so users need no HDF5 headers.
    qint64 m_fileId = -1;
    qint64 m_dataset = -1;
    int m_width = 0;
    int m_height = 0;
    std::vector<quint8> m_present;
    std::map<int, SliceFloats> m_held;
    int m_nextIndex = 0;
    bool m_failed = false;
    QString m_error;
};
