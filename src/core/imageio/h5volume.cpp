#include "h5volume.h"

#include <QFile>
#include <QMutex>
#include <QRegularExpression>

#include <hdf5.h>

#include <cmath>
#include <type_traits>
#include <utility>

static_assert(std::is_same_v<hid_t, int64_t>, "HDF5 ids are kept as qint64");

namespace
{

// Recursive: a failure inside a call closes the file under the same lock.
QRecursiveMutex h5Lock;

// Around every use of HDF5: one caller at a time, and failures come back as our own messages
// instead of HDF5's printed error stack.
class H5Calls
{
public:
    H5Calls() : m_locker(&h5Lock)
    {
        // A file whose close failed (disk full) is left half torn down by HDF5 1.10, and the
        // library's clean-up at exit would crash on it; the files we complete are closed by us.
        static const bool noCleanUpAtExit = H5dont_atexit() >= 0;
        Q_UNUSED(noCleanUpAtExit);
        H5Eget_auto2(H5E_DEFAULT, &m_print, &m_data);
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    }
    ~H5Calls() { H5Eset_auto2(H5E_DEFAULT, m_print, m_data); }
    H5Calls(const H5Calls&) = delete;
    H5Calls& operator=(const H5Calls&) = delete;

private:
    QMutexLocker<QRecursiveMutex> m_locker;
    H5E_auto2_t m_print = nullptr;
    void* m_data = nullptr;
};

// The innermost message of HDF5's error stack, which names the cause. A failed system call
// comes as "what failed: time = ..., errno = 28, error message = '...', ..."; of that, only
// what failed and the system's message are kept.
QString h5Cause()
{
    QString cause;
    H5Ewalk2(
        H5E_DEFAULT, H5E_WALK_DOWNWARD,
        [](unsigned, const H5E_error2_t* e, void* out) -> herr_t {
            if (e->desc && *e->desc)
                *static_cast<QString*>(out) = QString::fromLocal8Bit(e->desc);
            return 0;
        },
        &cause);
    static const QRegularExpression systemMessage(QStringLiteral("error message = '([^']*)'"));
    const QRegularExpressionMatch m = systemMessage.match(cause);
    if (m.hasMatch())
        return cause.section(u':', 0, 0) + QStringLiteral(": ") + m.captured(1);
    return cause;
}

// Closes an HDF5 id of any kind when it goes out of scope.
class Id
{
public:
    explicit Id(hid_t id) : m_id(id) {}
    ~Id()
    {
        if (m_id >= 0)
            H5Idec_ref(m_id);
    }
    Id(const Id&) = delete;
    Id& operator=(const Id&) = delete;
    bool valid() const { return m_id >= 0; }
    hid_t get() const { return m_id; }

private:
    hid_t m_id;
};

// A scalar attribute when `count` is 0, else a one-dimensional one.
bool writeAttribute(hid_t object, const char* name, hid_t fileType, hid_t memoryType, hsize_t count,
                    const void* data)
{
    const Id space(count == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &count, nullptr));
    if (!space.valid())
        return false;
    const Id attribute(H5Acreate2(object, name, fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT));
    return attribute.valid() && H5Awrite(attribute.get(), memoryType, data) >= 0;
}

} // namespace

H5Volume::H5Volume(const QString& target, const Info& info)
    : m_file(target), m_info(info), m_present(size_t(info.slices.size()), 0)
{
}

H5Volume::~H5Volume()
{
    abort();
}

bool H5Volume::open()
{
    if (m_info.slices.isEmpty())
        return fail(QStringLiteral("the data set has no slices"));
    if (!m_file.create())
        return fail(m_file.error());
    const H5Calls calls;
    const Id access(H5Pcreate(H5P_FILE_ACCESS));
    const Id creation(H5Pcreate(H5P_FILE_CREATE));
    // The oldest format that stores large attributes (thousands of angles), for old readers; no
    // times in the root group's header, so the same slices give the same bytes.
    bool ready = access.valid() && creation.valid() &&
                 H5Pset_libver_bounds(access.get(), H5F_LIBVER_V18, H5F_LIBVER_V18) >= 0 &&
                 H5Pset_obj_track_times(creation.get(), false) >= 0;
#if H5_VERSION_GE(1, 10, 7)
    // Nobody else knows the temporary name; a lock would only fail on file systems without one.
    ready = ready && H5Pset_file_locking(access.get(), false, true) >= 0;
#endif
    if (ready)
        m_fileId = H5Fcreate(QFile::encodeName(m_file.tempPath()).constData(), H5F_ACC_TRUNC,
                             creation.get(), access.get());
    if (m_fileId < 0)
        return failH5(QStringLiteral("can not create the HDF5 file"));
    return true;
}

bool H5Volume::write(int index, const SliceFloats& floats)
{
    if (m_failed)
        return false;
    if (index < 0 || index >= m_info.slices.size())
        return refuse(QStringLiteral("slice index %1 is outside the %2 of the data set")
                          .arg(index)
                          .arg(m_info.slices.size()));
    if (m_present[size_t(index)])
        return refuse(QStringLiteral("slice index %1 came twice").arg(index));
    if (floats.isEmpty() || floats.values.size() != size_t(floats.width) * size_t(floats.height))
        return refuse(QStringLiteral("slice index %1 has no pixels").arg(index));
    if (m_dataset >= 0 && (floats.width != m_width || floats.height != m_height))
        return refuse(QStringLiteral("slice index %1 is %2 x %3, the volume %4 x %5")
                          .arg(index)
                          .arg(floats.width)
                          .arg(floats.height)
                          .arg(m_width)
                          .arg(m_height));
    const H5Calls calls;
    if (m_dataset < 0 && !createDataset(floats))
        return false;
    m_present[size_t(index)] = 1;
    // Chunks take their places in the file in the order they are written: slices that come
    // early wait for those before them, within a bound, so that the same slices give the same
    // bytes whatever order a pool of workers finishes them in.
    const qint64 bytes = qint64(floats.values.size() * sizeof(float));
    if (index != m_nextIndex && (m_held.size() + 1) * bytes <= MaxHeldBytes) {
        m_held.emplace(index, floats);
        return true;
    }
    if (!writeChunk(index, floats))
        return false;
    while (!m_held.empty() && m_held.begin()->first == m_nextIndex) {
        auto node = m_held.extract(m_held.begin());
        if (!writeChunk(node.key(), node.mapped()))
            return false;
    }
    return true;
}

bool H5Volume::writeChunk(int index, const SliceFloats& floats)
{
    // The chunk is the slice, stored as the floats are in memory: handed to the file as it is,
    // with no buffer of HDF5's own (whose error path leaks it in 1.10).
    const hsize_t offset[3] = {hsize_t(index), 0, 0};
    if (H5Dwrite_chunk(m_dataset, H5P_DEFAULT, 0, offset, floats.values.size() * sizeof(float),
                       floats.values.data()) < 0)
        return failH5(QStringLiteral("can not write slice index %1").arg(index));
    // The next slice to write in order, past those already written.
    if (index == m_nextIndex)
        while (m_nextIndex < int(m_present.size()) && m_present[size_t(m_nextIndex)] &&
               !m_held.count(m_nextIndex))
            ++m_nextIndex;
    return true;
}

bool H5Volume::createDataset(const SliceFloats& floats)
{
    // HDF5 takes no chunk of 4 GiB or more.
    if (qint64(floats.width) * floats.height * qint64(sizeof(float)) >= (qint64(1) << 32))
        return fail(QStringLiteral("a slice of %1 x %2 is too large for one HDF5 chunk")
                        .arg(floats.width)
                        .arg(floats.height));
    const hsize_t dims[3] = {hsize_t(m_info.slices.size()), hsize_t(floats.height),
                             hsize_t(floats.width)};
    const hsize_t chunk[3] = {1, dims[1], dims[2]};
    const float missing = std::numeric_limits<float>::quiet_NaN();
    const Id space(H5Screate_simple(3, dims, nullptr));
    const Id create(H5Pcreate(H5P_DATASET_CREATE));
    // Slices that never come stay unwritten and read as NaN. No times in the header either.
    const bool ready = space.valid() && create.valid() &&
                       H5Pset_chunk(create.get(), 3, chunk) >= 0 &&
                       H5Pset_fill_value(create.get(), H5T_NATIVE_FLOAT, &missing) >= 0 &&
                       H5Pset_obj_track_times(create.get(), false) >= 0;
    if (ready)
        m_dataset = H5Dcreate2(m_fileId, "slices", H5T_NATIVE_FLOAT, space.get(), H5P_DEFAULT,
                               create.get(), H5P_DEFAULT);
    if (m_dataset < 0)
        return failH5(QStringLiteral("can not create the slices in the HDF5 file"));
    m_width = floats.width;
    m_height = floats.height;
    return writeAttributes(floats);
}

bool H5Volume::writeAttributes(const SliceFloats& floats)
{
    const std::vector<int> slices(m_info.slices.begin(), m_info.slices.end());
    const std::vector<double> angles(m_info.anglesDeg.begin(), m_info.anglesDeg.end());
    const int origin[2] = {floats.x0, floats.z0};
    const hid_t ds = m_dataset;
    const bool written =
        writeAttribute(ds, "slice_numbers", H5T_STD_I32LE, H5T_NATIVE_INT, slices.size(),
                       slices.data()) &&
        writeAttribute(ds, "centre_of_rotation", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, 0,
                       &m_info.cor) &&
        (angles.empty() || writeAttribute(ds, "angles_deg", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE,
                                          angles.size(), angles.data())) &&
        (std::isnan(m_info.energyEv) ||
         writeAttribute(ds, "energy_eV", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, 0, &m_info.energyEv)) &&
        writeAttribute(ds, "region_origin", H5T_STD_I32LE, H5T_NATIVE_INT, 2, origin);
    if (!written)
        return failH5(QStringLiteral("can not write the attributes of the HDF5 file"));
    return true;
}

bool H5Volume::finish()
{
    if (m_failed)
        return false;
    if (m_dataset < 0)
        return fail(QStringLiteral("no slice arrived"));
    {
        const H5Calls calls;
        for (const auto& [index, floats] : std::exchange(m_held, {}))
            if (!writeChunk(index, floats))
                return false;
        if (!writeAttribute(m_dataset, "slice_present", H5T_STD_U8LE, H5T_NATIVE_UINT8,
                            m_present.size(), m_present.data()))
            return failH5(QStringLiteral("can not write the attributes of the HDF5 file"));
        const hid_t dataset = std::exchange(m_dataset, -1);
        if (H5Dclose(dataset) < 0)
            return failH5(QStringLiteral("can not complete the HDF5 file"));
        if (H5Fclose(std::exchange(m_fileId, -1)) < 0)
            return failH5(QStringLiteral("can not complete the HDF5 file"));
    }
    if (!m_file.commit())
        return fail(m_file.error());
    return true;
}

void H5Volume::abort()
{
    closeIds();
    m_file.discard();
}

void H5Volume::closeIds()
{
    if (m_dataset < 0 && m_fileId < 0)
        return;
    const H5Calls calls;
    if (m_dataset >= 0)
        H5Dclose(m_dataset);
    // Dropped even when the close fails: a second try would touch a half torn down file.
    if (m_fileId >= 0)
        H5Fclose(m_fileId);
    m_dataset = -1;
    m_fileId = -1;
}

bool H5Volume::refuse(const QString& reason)
{
    m_error = reason;
    return false;
}

bool H5Volume::fail(const QString& reason)
{
    m_failed = true;
    m_error = reason;
    abort();
    return false;
}

// Takes HDF5's cause, when there is one, before closing the file clears the error stack.
bool H5Volume::failH5(const QString& what)
{
    const QString cause = h5Cause();
    return fail(cause.isEmpty() ? what : what + QStringLiteral(": ") + cause);
}
