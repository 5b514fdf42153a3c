#include "imgdatatiff.h"

#include "cirvologging.h"
#include "datafile.h"

#include <QFile>
#include <QtNumeric>

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace
{

constexpr bool hostLittleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
// Deflate, the strongest codec in common use, expands data at most about 1032 times.
constexpr quint64 maxCompressionRatio = 1024;

int logLibtiff(const char* kind, void* fileName, const char* module, const char* format,
               va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    qCDebug(lcImageIo).noquote() << QStringLiteral("libtiff %1 in %2: %3 :")
                                        .arg(QLatin1String(kind),
                                             QString::fromUtf8(module ? module : "?"),
                                             QString::fromUtf8(text))
                                 << *static_cast<const QString*>(fileName);
    // Handled: libtiff's default handlers would print to stderr.
    return 1;
}

int libtiffError(TIFF*, void* fileName, const char* module, const char* format, va_list args)
{
    return logLibtiff("error", fileName, module, format, args);
}

int libtiffWarning(TIFF*, void* fileName, const char* module, const char* format, va_list args)
{
    return logLibtiff("warning", fileName, module, format, args);
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

SampleType sampleType(uint16_t format, uint16_t bits)
{
    switch (format) {
    case SAMPLEFORMAT_UINT:
        return bits == 8    ? SampleType::U8
               : bits == 16 ? SampleType::U16
               : bits == 32 ? SampleType::U32
                            : SampleType::None;
    case SAMPLEFORMAT_INT:
        return bits == 8    ? SampleType::S8
               : bits == 16 ? SampleType::S16
               : bits == 32 ? SampleType::S32
                            : SampleType::None;
    case SAMPLEFORMAT_IEEEFP:
        return bits == 32 ? SampleType::F32 : bits == 64 ? SampleType::F64 : SampleType::None;
    default:
        return SampleType::None;
    }
}

// The tags of one page that decide how it is read.
struct PageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    SampleType type = SampleType::None;
    uint16_t compression = COMPRESSION_NONE;
    bool tiled = false;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    quint64 frameBytes = 0;
    quint64 tileBytes = 0;
};

// The bytes of a `w` x `h` area, refused before anything is allocated when a file of
// `fileSize` bytes cannot hold them: uncompressed data lies in the file, compressed data
// expands no more than deflate can.
bool areaBytes(const char* what, quint64 w, quint64 h, int bytesPerPixel, uint16_t compression,
               qint64 fileSize, const QString& name, quint64& bytes)
{
    if (qMulOverflow(w, h, &bytes) || qMulOverflow(bytes, quint64(bytesPerPixel), &bytes) ||
        bytes > quint64(std::numeric_limits<qsizetype>::max())) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF %1 of %2 x %3 pixels is too large :").arg(what).arg(w).arg(h)
            << name;
        return false;
    }
    const quint64 ratio = compression == COMPRESSION_NONE ? 1 : maxCompressionRatio;
    const quint64 storedAtLeast = bytes / ratio + (bytes % ratio ? 1 : 0);
    if (storedAtLeast <= quint64(std::max<qint64>(fileSize, 0)))
        return true;
    const QString limit = ratio == 1 ? QStringLiteral("the file holds")
                                     : QStringLiteral("%1 times the file").arg(ratio);
    qCDebug(lcImageIo).noquote() << QStringLiteral(
                                        "TIFF %1 of %2 x %3 pixels needs %4 bytes, more than %5 :")
                                        .arg(what)
                                        .arg(w)
                                        .arg(h)
                                        .arg(bytes)
                                        .arg(limit)
                                 << name;
    return false;
}

bool readLayout(TIFF* tif, qint64 fileSize, const QString& name, PageLayout& page)
{
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
    constexpr uint32_t maxSide = std::numeric_limits<int>::max();
    if (page.width == 0 || page.height == 0 || page.width > maxSide || page.height > maxSide) {
        qCDebug(lcImageIo).noquote() << QStringLiteral("TIFF page size %1 x %2 is out of range :")
                                            .arg(page.width)
                                            .arg(page.height)
                                     << name;
        return false;
    }
    uint16_t samples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (samples != 1) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF page with %1 samples per pixel is not greyscale :").arg(samples)
            << name;
        return false;
    }
    // White-is-zero pages keep their stored values; a page without the tag counts as greyscale.
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF page with photometric interpretation %1 is not greyscale :")
                   .arg(photometric)
            << name;
        return false;
    }
    uint16_t bits = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    page.type = sampleType(format, bits);
    if (page.type == SampleType::None) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF sample format %1 with %2 bits per sample is not supported :")
                   .arg(format)
                   .arg(bits)
            << name;
        return false;
    }
    uint32_t depth = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGEDEPTH, &depth);
    if (depth != 1) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF page of depth %1 is not supported :").arg(depth) << name;
        return false;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &page.compression);
    if (!TIFFIsCODECConfigured(page.compression)) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF compression %1 is not available :").arg(page.compression)
            << name;
        return false;
    }
    const int pixelBytes = bytesPerSample(page.type);
    if (!areaBytes("page", page.width, page.height, pixelBytes, page.compression, fileSize, name,
                   page.frameBytes) ||
        !ImgData::frameWithinLimit(page.width, page.height, pixelBytes, name))
        return false;
    page.tiled = TIFFIsTiled(tif);
    if (!page.tiled)
        return true;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &page.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &page.tileLength);
    if (page.tileWidth == 0 || page.tileLength == 0) {
        qCDebug(lcImageIo).noquote() << QStringLiteral("TIFF tile size %1 x %2 is out of range :")
                                            .arg(page.tileWidth)
                                            .arg(page.tileLength)
                                     << name;
        return false;
    }
    return areaBytes("tile", page.tileWidth, page.tileLength, pixelBytes, page.compression,
                     fileSize, name, page.tileBytes) &&
           ImgData::frameWithinLimit(page.tileWidth, page.tileLength, pixelBytes, name);
}

// Makes page `index` the current one. The page after the current one is read from where that
// points, so pages loaded in order read each directory once; libtiff would start from the first
// directory for every page.
bool toPage(TIFF* tif, tdir_t index)
{
    const tdir_t current = TIFFCurrentDirectory(tif);
    if (index == current)
        return true;
    return index == current + 1 ? TIFFReadDirectory(tif) : TIFFSetDirectory(tif, index);
}

bool allocate(std::vector<uchar>& buffer, quint64 bytes, const QString& name)
{
    try {
        buffer.resize(size_t(bytes));
    } catch (const std::bad_alloc&) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("No memory for %1 bytes of a TIFF page :").arg(bytes) << name;
        return false;
    }
    return true;
}

// Decodes the strips of the current page in order until `frame` is full; the last strip may
// hold fewer rows than the others.
bool readStrips(TIFF* tif, std::vector<uchar>& frame, const QString& name)
{
    const tmsize_t size = tmsize_t(frame.size());
    tmsize_t filled = 0;
    const uint32_t strips = TIFFNumberOfStrips(tif);
    for (uint32_t strip = 0; strip < strips && filled < size; ++strip) {
        const tmsize_t got = TIFFReadEncodedStrip(tif, strip, frame.data() + filled, size - filled);
        if (got <= 0) {
            qCDebug(lcImageIo).noquote()
                << QStringLiteral("Can not decode TIFF strip %1 :").arg(strip) << name;
            return false;
        }
        filled += got;
    }
    if (filled < size) {
        qCDebug(lcImageIo) << "TIFF page has fewer strips than rows :" << name;
        return false;
    }
    return true;
}

// Tiles at the right and bottom edges reach past the image; only their part inside it is kept.
bool readTiles(TIFF* tif, const PageLayout& page, std::vector<uchar>& frame, const QString& name)
{
    std::vector<uchar> tile;
    if (!allocate(tile, page.tileBytes, name))
        return false;
    const quint64 pixelBytes = quint64(bytesPerSample(page.type));
    const quint64 frameRowBytes = page.width * pixelBytes;
    const quint64 tileRowBytes = page.tileWidth * pixelBytes;
    // 64-bit steps: a tile edge near 2^32 would wrap a 32-bit position.
    for (quint64 y = 0; y < page.height; y += page.tileLength) {
        for (quint64 x = 0; x < page.width; x += page.tileWidth) {
            const uint32_t index = TIFFComputeTile(tif, uint32_t(x), uint32_t(y), 0, 0);
            if (TIFFReadEncodedTile(tif, index, tile.data(), tmsize_t(tile.size())) !=
                tmsize_t(tile.size())) {
                qCDebug(lcImageIo).noquote()
                    << QStringLiteral("Can not decode TIFF tile %1 :").arg(index) << name;
                return false;
            }
            const quint64 rows = std::min<quint64>(page.tileLength, page.height - y);
            const quint64 rowBytes = std::min<quint64>(page.tileWidth, page.width - x) * pixelBytes;
            for (quint64 r = 0; r < rows; ++r)
                std::memcpy(frame.data() + (y + r) * frameRowBytes + x * pixelBytes,
                            tile.data() + r * tileRowBytes, rowBytes);
        }
    }
    return true;
}

} // namespace

// libtiff reading a DataFile through positions of its own. The file is read, not mapped: the
// handle lives while all pages of a file are loaded, and a mapping that long would keep every
// page of the file resident beside the decoded frames.
class TiffPages
{
public:
    explicit TiffPages(const DataFile& file) : m_file(file.shared_from_this())
    {
        // The handlers are set on this handle only, so other users of libtiff in the process
        // keep theirs.
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        void* fileName = const_cast<QString*>(&m_file->path());
        TIFFOpenOptionsSetErrorHandlerExtR(options, libtiffError, fileName);
        TIFFOpenOptionsSetWarningHandlerExtR(options, libtiffWarning, fileName);
        // libtiff's own buffers (strip offsets, compressed strips) stay within the frame limit.
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(ImgData::maxFrameBytes()));
        if (m_file->isOpen())
            m_tif.reset(TIFFClientOpenExt(QFile::encodeName(m_file->path()).constData(), "rm", this,
                                          read, write, seek, close, size, nullptr, nullptr,
                                          options));
        TIFFOpenOptionsFree(options);
        if (!m_tif)
            qCDebug(lcImageIo) << "Can not open TIFF file :" << m_file->path();
    }
    TiffPages(const TiffPages&) = delete;
    TiffPages& operator=(const TiffPages&) = delete;

    TIFF* tiff() const { return m_tif.get(); }
    const DataFile& file() const { return *m_file; }
    // One frame at a time: the handle's current page and buffers are shared.
    std::mutex& mutex() { return m_mutex; }

private:
    static TiffPages& of(thandle_t handle) { return *static_cast<TiffPages*>(handle); }
    static tmsize_t read(thandle_t handle, void* buffer, tmsize_t bytes)
    {
        TiffPages& pages = of(handle);
        const qint64 got = pages.m_file->read(pages.m_position, bytes, buffer);
        pages.m_position += got;
        return tmsize_t(got);
    }
    static tmsize_t write(thandle_t, void*, tmsize_t) { return -1; }
    static toff_t seek(thandle_t handle, toff_t offset, int whence)
    {
        TiffPages& pages = of(handle);
        const qint64 from = whence == SEEK_CUR   ? pages.m_position
                            : whence == SEEK_END ? pages.m_file->size()
                                                 : 0;
        qint64 to = 0;
        if (qAddOverflow(from, qint64(offset), &to) || to < 0)
            return toff_t(-1);
        pages.m_position = to;
        return toff_t(to);
    }
    static int close(thandle_t) { return 0; }
    static toff_t size(thandle_t handle) { return toff_t(of(handle).m_file->size()); }

    std::shared_ptr<const DataFile> m_file;
    qint64 m_position = 0;
    std::mutex m_mutex;
    TiffHandle m_tif;
};

ImgDataTiff::~ImgDataTiff() = default;

void ImgDataTiff::reset()
{
    releaseFrame();
    m_pages.reset();
    frameCount = 1;
}

void ImgDataTiff::releaseFrame()
{
    m_frame = {};
    m_frameWidth = m_frameHeight = 0;
    m_sampleType = SampleType::None;
    m_bytesPerPixel = 0;
}

bool ImgDataTiff::readFileProps(const DataFile& file, int& w, int& h)
{
    w = h = 0;
    expTime = 1.0;
    frameCount = 1;
    m_pages.reset();
    auto pages = std::make_shared<TiffPages>(file);
    PageLayout page;
    if (!pages->tiff() || !readLayout(pages->tiff(), file.size(), file.path(), page))
        return false;
    frameCount = int(
        std::min<tdir_t>(TIFFNumberOfDirectories(pages->tiff()), std::numeric_limits<int>::max()));
    w = int(page.width);
    h = int(page.height);
    m_pages = std::move(pages);
    return true;
}

bool ImgDataTiff::openFrame(const DataFile& file)
{
    releaseFrame();
    // Dropped on return: a data set of thousands of files must not hold a descriptor for each.
    std::shared_ptr<TiffPages> pages = std::exchange(m_pages, {});
    const QString& name = file.path();
    if (frameIndex < 0 || frameIndex >= frameCount) {
        qCDebug(lcImageIo).noquote() << QStringLiteral("TIFF page %1 is beyond the %2 pages :")
                                            .arg(frameIndex)
                                            .arg(frameCount)
                                     << name;
        return false;
    }
    if (!pages || &pages->file() != &file)
        pages = std::make_shared<TiffPages>(file);
    TIFF* tif = pages->tiff();
    if (!tif)
        return false;
    const std::lock_guard lock(pages->mutex());
    if (!toPage(tif, tdir_t(frameIndex))) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("Can not read TIFF page %1 :").arg(frameIndex) << name;
        return false;
    }
    PageLayout page;
    if (!readLayout(tif, file.size(), name, page))
        return false;
    if (qint64(page.width) != width || qint64(page.height) != height) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("TIFF page %1 of %2 x %3 pixels differs from the first page of "
                              "%4 x %5 pixels :")
                   .arg(frameIndex)
                   .arg(page.width)
                   .arg(page.height)
                   .arg(width)
                   .arg(height)
            << name;
        return false;
    }
    std::vector<uchar> frame;
    if (!allocate(frame, page.frameBytes, name))
        return false;
    if (!(page.tiled ? readTiles(tif, page, frame, name) : readStrips(tif, frame, name)))
        return false;
    m_frame = std::move(frame);
    m_frameWidth = width;
    m_frameHeight = height;
    m_sampleType = page.type;
    m_bytesPerPixel = bytesPerSample(page.type);
    return true;
}

std::unique_ptr<ImgData> ImgDataTiff::copyProps() const
{
    auto copy = std::make_unique<ImgDataTiff>();
    copyBasePropsTo(*copy);
    copy->m_pages = m_pages;
    return copy;
}

bool ImgDataTiff::holdsFrame() const
{
    // readProps may have changed the public size since the frame was read.
    return !m_frame.empty() && width == m_frameWidth && height == m_frameHeight;
}

double* ImgDataTiff::row(int r, double* buffer) const
{
    if (!holdsFrame() || r < 0 || r >= height) {
        std::fill(buffer, buffer + std::max(width, 0), 0.0);
        return buffer;
    }
    samplesToDoubles(m_frame.data() + qsizetype(r) * width * m_bytesPerPixel, m_sampleType,
                     hostLittleEndian, m_bytesPerPixel, width, buffer);
    return buffer;
}

double* ImgDataTiff::column(int c, double* buffer) const
{
    if (!holdsFrame() || c < 0 || c >= width) {
        std::fill(buffer, buffer + std::max(height, 0), 0.0);
        return buffer;
    }
    samplesToDoubles(m_frame.data() + qsizetype(c) * m_bytesPerPixel, m_sampleType,
                     hostLittleEndian, qsizetype(width) * m_bytesPerPixel, height, buffer);
    return buffer;
}
