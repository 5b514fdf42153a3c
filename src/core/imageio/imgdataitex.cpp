#include "imgdataitex.h"

#include "cirvologging.h"
#include "config/lineitems.h"
#include "datafile.h"
#include "itexformat.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace
{

quint16 headerWord(const QByteArray& header, int offset)
{
    return qFromLittleEndian<quint16>(header.constData() + offset);
}

// The size of an area from its corners; 0 (refused) when it is empty or wider than an int.
int extent(int from, int to)
{
    const qint64 size = qint64(to) - from;
    return size > 0 && size <= std::numeric_limits<int>::max() ? int(size) : 0;
}

// The first item after a property prefix, by the configuration reader's item rules.
QString firstItem(const QString& text)
{
    return LineItems(text).next();
}

} // namespace

ImgDataITEX::~ImgDataITEX()
{
    reset();
}

void ImgDataITEX::reset()
{
    m_file.reset();
    m_pixels = nullptr;
    frameData.clear();
    dataOffset = frameOffset = 0;
    hdrWidth = hdrHeight = xOffset = yOffset = pixelType = bytesPerPixel = 0;
    frameBytes = 0;
    frameCount = 1;
    m_sampleType = SampleType::None;
}

bool ImgDataITEX::readFileProps(const DataFile& in, int& width, int& height)
{
    width = height = 0;
    dataOffset = 0;
    expTime = 1.0;
    const QString& name = in.path();
    if (!in.isOpen()) {
        qCDebug(lcImageIo) << "Can not open ITEX file to read props." << name;
        return false;
    }
    const QByteArray header = in.read(0, ItexFormat::PropsBytes);
    if (header.size() < ItexFormat::PropsBytes) {
        qCDebug(lcImageIo) << "Error on reading ITEX file props." << name;
        return false;
    }
    if (!header.startsWith("IM"))
        return false;

    const int commentLength = headerWord(header, 2);
    dataOffset = frameOffset = ItexFormat::HeaderBytes + commentLength;
    hdrWidth = headerWord(header, 4);
    hdrHeight = headerWord(header, 6);
    xOffset = headerWord(header, 8);
    yOffset = headerWord(header, 10);
    pixelType = headerWord(header, 12);
    // A header that counts no frames still holds the one it describes.
    frameCount = std::max<int>(1, headerWord(header, 14));
    m_sampleType = ItexFormat::sampleType(pixelType);
    bytesPerPixel = bytesPerSample(m_sampleType);
    frameBytes = qint64(hdrWidth) * hdrHeight * bytesPerPixel;
    if (m_sampleType == SampleType::None)
        qCDebug(lcImageIo) << "Unknown ITEX pixel type" << pixelType << "reads as 0.0 :" << name;

    const QByteArray comment = in.read(ItexFormat::HeaderBytes, commentLength);
    if (comment.size() < commentLength) {
        qCDebug(lcImageIo) << "ITEX file is shorter than its comment :" << name;
        return false;
    }
    // A refused file keeps the size 0 x 0, so no caller sizes a buffer from its claims.
    int w = 0;
    int h = 0;
    readComment(comment, w, h);
    if (w <= 0 || h <= 0 || commentLength <= 0)
        return false;

    if (qint64(w) * h > qint64(hdrWidth) * hdrHeight) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("ITEX image of %1 x %2 pixels does not fit its %3 x %4 frame :")
                   .arg(w)
                   .arg(h)
                   .arg(hdrWidth)
                   .arg(hdrHeight)
            << name;
        return false;
    }
    if (!frameFits(dataOffset, in.size())) {
        qCDebug(lcImageIo) << "ITEX file is shorter than its first frame :" << name;
        return false;
    }
    if (!frameWithinLimit(quint64(hdrWidth), quint64(hdrHeight), bytesPerPixel, name))
        return false;
    width = w;
    height = h;
    return true;
}

void ImgDataITEX::readComment(const QByteArray& comment, int& w, int& h)
{
    int areWidth = 0;
    int areHeight = 0;
    const auto examine = [&](const QString& item) {
        const auto after = [&](QLatin1String prefix) { return item.mid(prefix.size()); };
        static const QLatin1String width("Prop_ImageWidth=");
        static const QLatin1String height("Prop_ImageHeight=");
        static const QLatin1String exp1("Prop_ExposureTime1=");
        static const QLatin1String exp2("Prop_ExposureTime2=");
        static const QLatin1String area("areSource=");
        if (item.startsWith(width)) {
            w = firstItem(after(width)).toInt();
        } else if (item.startsWith(height)) {
            h = firstItem(after(height)).toInt();
        } else if (item.startsWith(exp1)) {
            expTime = firstItem(after(exp1)).toDouble();
        } else if (item.startsWith(exp2)) {
            expTime = firstItem(after(exp2)).toDouble();
        } else if (item.startsWith(area)) {
            LineItems corners(after(area).replace(u',', u' ').remove(u'"'));
            const int x0 = corners.next().toInt();
            const int y0 = corners.next().toInt();
            const int x1 = corners.next().toInt();
            const int y1 = corners.next().toInt();
            areWidth = extent(x0, x1);
            areHeight = extent(y0, y1);
        }
    };

    // Items end at commas outside double quotes; the quotes stay part of the item, and text
    // after the last comma is not examined.
    QString item;
    bool quoted = false;
    for (const char byte : comment) {
        const QChar c = QLatin1Char(byte);
        if (c == u',' && !quoted) {
            examine(item);
            item.clear();
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        item.append(c);
    }
    if (w < 1)
        w = areWidth;
    if (h < 1)
        h = areHeight;
}

bool ImgDataITEX::frameFits(qint64 offset, qint64 fileSize) const
{
    // A pixel type read as zeros still took at least a byte per pixel in the camera's file;
    // without that a tiny file could claim a frame whose row buffers fill the memory.
    const qint64 least = bytesPerPixel > 0 ? frameBytes : qint64(hdrWidth) * hdrHeight;
    return offset >= 0 && offset <= fileSize && least <= fileSize - offset;
}

bool ImgDataITEX::openFrame(const DataFile& file)
{
    m_file.reset();
    m_pixels = nullptr;
    frameData.clear();
    const QString& name = file.path();
    if (!file.isOpen()) {
        qCDebug(lcImageIo) << "Can not open ITEX file" << name;
        return false;
    }
    frameOffset = (frameBytes + ItexFormat::HeaderBytes) * frameIndex + dataOffset;
    if (frameIndex < 0 || frameIndex >= frameCount) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("ITEX frame %1 is beyond the %2 frames of the file :")
                   .arg(frameIndex)
                   .arg(frameCount)
            << name;
        return false;
    }
    if (!frameFits(frameOffset, file.size())) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("ITEX file is too short for frame %1 :").arg(frameIndex) << name;
        return false;
    }
    if (frameBytes == 0)
        return true;

    if (!keepInMemory && DataFile::mayStayOpen()) {
        m_file = file.shared_from_this();
        m_shortReadReported = false;
        return true;
    }
    // Every pixel is in memory now and the image holds no descriptor: a data set of more
    // single-frame files than descriptors to spare is read this way.
    frameData.resize(qsizetype(frameBytes));
    if (file.read(frameOffset, frameBytes, frameData.data()) != frameBytes) {
        qCDebug(lcImageIo) << "Error on reading ITEX frame :" << name;
        frameData.clear();
        return false;
    }
    m_pixels = reinterpret_cast<const uchar*>(frameData.constData());
    return true;
}

std::unique_ptr<ImgData> ImgDataITEX::copyProps() const
{
    auto copy = std::make_unique<ImgDataITEX>();
    copyBasePropsTo(*copy);
    copy->dataOffset = copy->frameOffset = dataOffset;
    copy->hdrWidth = hdrWidth;
    copy->hdrHeight = hdrHeight;
    copy->xOffset = xOffset;
    copy->yOffset = yOffset;
    copy->pixelType = pixelType;
    copy->bytesPerPixel = bytesPerPixel;
    copy->frameBytes = frameBytes;
    copy->m_sampleType = m_sampleType;
    return copy;
}

const uchar* ImgDataITEX::rowSamples(int first, int count, std::vector<uchar>& scratch) const
{
    const qint64 rowBytes = qint64(width) * bytesPerPixel;
    if (m_pixels)
        return m_pixels + first * rowBytes;
    if (!m_file)
        return nullptr;
    const qint64 bytes = count * rowBytes;
    scratch.resize(size_t(bytes));
    if (m_file->read(frameOffset + first * rowBytes, bytes, scratch.data()) == bytes)
        return scratch.data();
    if (!m_shortReadReported.exchange(true))
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("ITEX frame %1 is no longer whole in its file; its missing rows "
                              "read as 0 :")
                   .arg(frameIndex)
            << m_file->path();
    return nullptr;
}

double* ImgDataITEX::row(int r, double* buffer) const
{
    thread_local std::vector<uchar> scratch;
    const uchar* samples = r >= 0 && r < height ? rowSamples(r, 1, scratch) : nullptr;
    if (!samples) {
        std::fill(buffer, buffer + std::max(width, 0), 0.0);
        return buffer;
    }
    samplesToDoubles(samples, m_sampleType, true, bytesPerPixel, width, buffer);
    return buffer;
}

double* ImgDataITEX::column(int c, double* buffer) const
{
    if (c < 0 || c >= width || !(m_pixels || m_file)) {
        std::fill(buffer, buffer + std::max(height, 0), 0.0);
        return buffer;
    }
    // From the file, blocks of rows of at most 1 MiB at a time.
    thread_local std::vector<uchar> scratch;
    const qint64 rowBytes = qint64(width) * bytesPerPixel;
    const int block =
        m_pixels ? height
                 : int(std::clamp<qint64>((1 << 20) / std::max<qint64>(rowBytes, 1), 1, height));
    for (int r = 0; r < height; r += block) {
        const int count = std::min(block, height - r);
        const uchar* samples = rowSamples(r, count, scratch);
        if (samples)
            samplesToDoubles(samples + qint64(c) * bytesPerPixel, m_sampleType, true, rowBytes,
                             count, buffer + r);
        else
            std::fill(buffer + r, buffer + r + count, 0.0);
    }
    return buffer;
}
