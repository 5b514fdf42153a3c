#include "imgdata.h"

#include "cirvologging.h"
#include "imgdataitex.h"
#include "imgdatatiff.h"

#include <QFile>
#include <QFileInfo>
#include <QtNumeric>

#include <algorithm>
#include <atomic>
#include <vector>

namespace
{

std::atomic<qint64> maxBytes{ImgData::DefaultMaxFrameBytes};

// Reads the first two bytes; an empty result when the file cannot be opened.
QByteArray firstTwoBytes(const QString& fileName, const char* testName)
{
    // A pipe without a writer would block the image thread at open, and a device is no image.
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        qCDebug(lcImageIo).noquote()
            << QStringLiteral("Check File Type (%1):: Can not open").arg(QLatin1String(testName))
            << fileName;
        return {};
    }
    return file.read(2);
}

} // namespace

ImgData::~ImgData() = default;

void ImgData::setMaxFrameBytes(qint64 bytes)
{
    maxBytes = std::max<qint64>(bytes, 1);
}

qint64 ImgData::maxFrameBytes()
{
    return maxBytes;
}

bool ImgData::frameWithinLimit(quint64 w, quint64 h, int bytesPerPixel, const QString& name)
{
    quint64 bytes = 0;
    const bool overflow = qMulOverflow(w, h, &bytes) ||
                          qMulOverflow(bytes, quint64(std::max(bytesPerPixel, 1)), &bytes);
    if (!overflow && bytes <= quint64(maxFrameBytes()))
        return true;
    qCDebug(lcImageIo).noquote()
        << QStringLiteral("Image frame of %1 x %2 pixels is over the limit of %3 bytes :")
               .arg(w)
               .arg(h)
               .arg(maxFrameBytes())
        << name;
    return false;
}

int ImgData::fileType(const QString& fileName)
{
    if (firstTwoBytes(fileName, "ITEX") == QByteArrayLiteral("IM"))
        return Itex;
    const QByteArray mark = firstTwoBytes(fileName, "TIFF");
    if (mark == QByteArrayLiteral("II") || mark == QByteArrayLiteral("MM"))
        return Tiff;
    qCDebug(lcImageIo) << "Unknown file type : " << fileName;
    return Unknown;
}

std::unique_ptr<ImgData> ImgData::createImgData(int type)
{
    std::unique_ptr<ImgData> img;
    if (type == Itex)
        img = std::make_unique<ImgDataITEX>();
    else if (type == Tiff)
        img = std::make_unique<ImgDataTiff>();
    if (img)
        img->reset();
    return img;
}

bool ImgData::load(int frame)
{
    valid = false;
    if (!readProps(fileName, width, height))
        return false;
    minMaxKnown = false;
    frameIndex = frame;
    if (!open(fileName)) {
        qCDebug(lcImageIo) << "Can not open ImgData" << fileName;
        return false;
    }
    rowBuf.assign(size_t(width), 0.0);
    colBuf.assign(size_t(height), 0.0);
    valid = true;
    return true;
}

double ImgData::valueAt(double x, double y) const
{
    // Truncation toward zero takes (-1, width) onto the columns; the comparisons reject NaN.
    if (!valid || !(x > -1.0 && x < width) || !(y > -1.0 && y < height))
        return 0.0;
    std::vector<double> buffer(static_cast<size_t>(width));
    return row(int(y), buffer.data())[int(x)];
}

void ImgData::minMax(double& lo, double& hi)
{
    if (!minMaxKnown) {
        if (!valid) {
            lo = hi = 0.0;
            return;
        }
        min = std::numeric_limits<double>::max();
        max = std::numeric_limits<double>::lowest();
        for (int r = 0; r < height; ++r) {
            const double* values = row(r, rowBuf.data());
            for (int c = 0; c < width; ++c) {
                min = std::min(min, values[c]);
                max = std::max(max, values[c]);
            }
        }
        minMaxKnown = true;
    }
    lo = min;
    hi = max;
}
