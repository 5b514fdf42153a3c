#include "imgdata.h"

#include "cirvologging.h"
#include "datafile.h"
#include "imgdataitex.h"
#include "imgdatatiff.h"

#include <QtNumeric>

#include <algorithm>
#include <atomic>
#include <vector>

namespace
{

std::atomic<qint64> maxBytes{ImgData::DefaultMaxFrameBytes};

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
    return fileType(*DataFile::open(fileName));
}

int ImgData::fileType(const DataFile& file)
{
    if (!file.isOpen()) {
        // Both checks of the ITEX and TIFF marks fail on a file that cannot be opened.
        for (const char* format : {"ITEX", "TIFF"})
            qCDebug(lcImageIo).noquote()
                << QStringLiteral("Check File Type (%1):: Can not open").arg(QLatin1String(format))
                << file.path();
    }
    const QByteArray mark = file.read(0, 2);
    if (mark == QByteArrayLiteral("IM"))
        return Itex;
    if (mark == QByteArrayLiteral("II") || mark == QByteArrayLiteral("MM"))
        return Tiff;
    qCDebug(lcImageIo) << "Unknown file type : " << file.path();
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

std::shared_ptr<ImgData> ImgData::loadFirstFrame(const QString& fileName)
{
    const std::shared_ptr<const DataFile> file = DataFile::open(fileName);
    std::shared_ptr<ImgData> img = createImgData(fileType(*file));
    if (img) {
        img->fileName = fileName;
        img->valid = img->load(*file, 0);
    }
    return img;
}

bool ImgData::readProps(const QString& name, int& w, int& h)
{
    return readFileProps(*DataFile::open(name), w, h);
}

bool ImgData::open(const QString& name)
{
    return openFrame(*DataFile::open(name));
}

bool ImgData::load(int frame)
{
    return load(*DataFile::open(fileName), frame);
}

bool ImgData::load(const DataFile& file, int frame)
{
    valid = false;
    return readFileProps(file, width, height) && loadFrame(file, frame);
}

bool ImgData::loadFrame(const DataFile& file, int frame)
{
    valid = false;
    minMaxKnown = false;
    frameIndex = frame;
    if (!openFrame(file)) {
        qCDebug(lcImageIo) << "Can not open ImgData" << fileName;
        return false;
    }
    rowBuf.assign(size_t(width), 0.0);
    colBuf.assign(size_t(height), 0.0);
    valid = true;
    return true;
}

void ImgData::copyBasePropsTo(ImgData& other) const
{
    other.keepInMemory = keepInMemory;
    other.expTime = expTime;
    other.width = width;
    other.height = height;
    other.fileName = fileName;
    other.frameCount = frameCount;
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
