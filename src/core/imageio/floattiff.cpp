#include "floattiff.h"

#include "cirvologging.h"

#include <QFile>

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace FloatTiff
{

namespace
{

// Classic TIFF addresses 4 GiB; stay clear of it with room for the directories.
constexpr qint64 MaxClassicBytes = qint64(0xF0000000);
// Strips of about 1 MiB: few strip offsets, and any reader can take one strip at a time.
constexpr qint64 StripBytes = qint64(1) << 20;

qint64 pixelBytes(const SliceFloats& floats)
{
    return qint64(floats.width) * floats.height * qint64(sizeof(float));
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 17);
}

} // namespace

// libtiff on one file, its messages kept as this file's error instead of printed.
class PageWriter
{
public:
    PageWriter() = default;
    ~PageWriter() { close(); }
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    bool open(const QString& path, bool big)
    {
        errno = 0;
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, onError, this);
        TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, this);
        m_tif = TIFFOpenExt(QFile::encodeName(path).constData(), big ? "w8" : "w", options);
        TIFFOpenOptionsFree(options);
        if (!m_tif && m_error.isEmpty())
            m_error = QStringLiteral("libtiff can not open the file");
        return m_tif;
    }

    bool write(const SliceFloats& floats, const Page& page, bool multiPage)
    {
        TIFF* t = m_tif;
        const QByteArray text = description(page, floats);
        const QByteArray name = page.name.toUtf8();
        const int rowBytes = floats.width * int(sizeof(float));
        const int rowsPerStrip = int(std::clamp<qint64>(StripBytes / rowBytes, 1, floats.height));
        const bool fieldsSet =
            TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(floats.width)) &&
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(floats.height)) &&
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(32)) &&
            TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP)) &&
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1)) &&
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK)) &&
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
            TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE)) &&
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip)) &&
            TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, text.constData()) &&
            TIFFSetField(t, TIFFTAG_PAGENAME, name.constData()) &&
            TIFFSetField(t, TIFFTAG_SOFTWARE, "Cirvo") &&
            (!multiPage || TIFFSetField(t, TIFFTAG_SUBFILETYPE, uint32_t(FILETYPE_PAGE)));
        if (!fieldsSet)
            return failed("libtiff refused a tag");
        for (int row = 0, strip = 0; row < floats.height; row += rowsPerStrip, ++strip) {
            const int rows = std::min(rowsPerStrip, floats.height - row);
            // Native byte order and no codec: libtiff reads the buffer without changing it.
            auto* data = const_cast<float*>(floats.values.data() + size_t(row) * floats.width);
            errno = 0;
            if (TIFFWriteEncodedStrip(t, uint32_t(strip), data, tmsize_t(rows) * rowBytes) < 0)
                return failed("libtiff could not write a strip");
        }
        errno = 0;
        if (!TIFFWriteDirectory(t))
            return failed("libtiff could not write the directory");
        return m_error.isEmpty();
    }

    // True when libtiff reported nothing wrong at any point.
    bool close()
    {
        errno = 0;
        if (m_tif)
            TIFFClose(m_tif);
        m_tif = nullptr;
        return m_error.isEmpty();
    }

    const QString& error() const { return m_error; }

private:
    bool failed(const char* what)
    {
        if (m_error.isEmpty())
            m_error = QString::fromLatin1(what);
        return false;
    }

    static int onError(TIFF*, void* self, const char* module, const char* format, va_list args)
    {
        // libtiff says what failed, not why: the system's reason is in errno, cleared before
        // each call.
        const int cause = errno;
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        auto* writer = static_cast<PageWriter*>(self);
        // The first message names the cause; later ones are its consequences.
        if (!writer->m_error.isEmpty())
            return 1;
        writer->m_error =
            QStringLiteral("libtiff: %1: %2")
                .arg(QString::fromUtf8(module ? module : "?"), QString::fromLocal8Bit(text));
        if (cause != 0)
            writer->m_error +=
                QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(cause)));
        return 1;
    }

    static int onWarning(TIFF*, void*, const char* module, const char* format, va_list args)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("libtiff warning in %1: %2")
                   .arg(QString::fromUtf8(module ? module : "?"), QString::fromLocal8Bit(text));
        return 1;
    }

    TIFF* m_tif = nullptr;
    QString m_error;
};

QByteArray description(const Page& page, const SliceFloats& floats)
{
    QByteArray text = "Cirvo slice\nslice=" + QByteArray::number(page.slice) +
                      "\nx0=" + QByteArray::number(floats.x0) +
                      "\nz0=" + QByteArray::number(floats.z0) + '\n';
    if (!std::isnan(page.cor))
        text += "cor=" + number(page.cor) + '\n';
    if (!std::isnan(page.energyEv))
        text += "energy_eV=" + number(page.energyEv) + '\n';
    return text;
}

bool writeSlice(const QString& target, const SliceFloats& floats, const Page& page, QString& error)
{
    if (floats.isEmpty()) {
        error = QStringLiteral("the slice has no pixels");
        return false;
    }
    ReplacingFile file(target);
    if (!file.create()) {
        error = file.error();
        return false;
    }
    PageWriter writer;
    const bool written = writer.open(file.tempPath(), pixelBytes(floats) > MaxClassicBytes) &&
                         writer.write(floats, page, false);
    if (!writer.close() || !written) {
        error = writer.error();
        return false;
    }
    if (!file.commit()) {
        error = file.error();
        return false;
    }
    return true;
}

Stack::Stack(const QString& target, int count, qint64 maxHeldBytes)
    : m_file(target), m_count(count), m_maxHeldBytes(maxHeldBytes)
{
}

Stack::~Stack()
{
    abort();
}

bool Stack::open()
{
    if (m_count <= 0)
        return fail(QStringLiteral("the data set has no slices"));
    if (!m_file.create())
        return fail(m_file.error());
    return true;
}

bool Stack::add(int index, std::shared_ptr<const SliceFloats> floats, const Page& page)
{
    if (m_failed)
        return false;
    if (index < 0 || index >= m_count)
        return refuse(
            QStringLiteral("page %1 is outside the %2 of the stack").arg(index).arg(m_count));
    if (index < m_next || m_held.contains(index))
        return refuse(QStringLiteral("page %1 came after its place was passed").arg(index));
    if (!floats || floats->isEmpty())
        return refuse(QStringLiteral("page %1 has no pixels").arg(index));
    if (m_width == 0) {
        m_width = floats->width;
        m_height = floats->height;
    } else if (floats->width != m_width || floats->height != m_height) {
        return refuse(QStringLiteral("page %1 is %2 x %3, the stack %4 x %5")
                          .arg(index)
                          .arg(floats->width)
                          .arg(floats->height)
                          .arg(m_width)
                          .arg(m_height));
    }
    m_heldBytes += pixelBytes(*floats);
    m_held.emplace(index, Held{std::move(floats), page});
    return writeHeld(false);
}

bool Stack::finish()
{
    if (m_failed)
        return false;
    if (!writeHeld(true))
        return false;
    if (m_pages.isEmpty())
        return fail(QStringLiteral("no slice arrived"));
    if (!m_writer->close())
        return fail(m_writer->error());
    m_writer.reset();
    if (!m_file.commit())
        return fail(m_file.error());
    return true;
}

void Stack::abort()
{
    m_held.clear();
    m_heldBytes = 0;
    m_writer.reset();
    m_file.discard();
}

bool Stack::refuse(const QString& reason)
{
    m_error = reason;
    return false;
}

bool Stack::fail(const QString& reason)
{
    m_failed = true;
    m_error = reason;
    abort();
    return false;
}

// Writes the pages that are next in order; with `all`, or while too much is held, over gaps.
bool Stack::writeHeld(bool all)
{
    while (!m_held.empty()) {
        const auto first = m_held.begin();
        if (first->first != m_next && !all && m_heldBytes <= m_maxHeldBytes)
            break;
        if (!writePage(*first->second.floats, first->second.page))
            return false;
        m_pages << first->first;
        m_next = first->first + 1;
        m_heldBytes -= pixelBytes(*first->second.floats);
        m_held.erase(first);
    }
    return true;
}

bool Stack::writePage(const SliceFloats& floats, const Page& page)
{
    if (!m_writer) {
        m_writer = std::make_unique<PageWriter>();
        const bool big = pixelBytes(floats) * m_count > MaxClassicBytes;
        if (!m_writer->open(m_file.tempPath(), big))
            return fail(m_writer->error());
    }
    if (!m_writer->write(floats, page, true))
        return fail(m_writer->error());
    return true;
}

} // namespace FloatTiff
