#include "cirvologging.h"
#include "imageio/imgdatatiff.h"
#include "messagelog.h"
#include "testfile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(SampleType)

namespace
{

uint16_t formatOf(SampleType type)
{
    switch (type) {
    case SampleType::S8:
    case SampleType::S16:
    case SampleType::S32:
        return SAMPLEFORMAT_INT;
    case SampleType::F32:
    case SampleType::F64:
        return SAMPLEFORMAT_IEEEFP;
    default:
        return SAMPLEFORMAT_UINT;
    }
}

// Row by row values for `count` pixels: the type's extremes, a small value of the type, then a
// pattern that spreads over the type's range.
QList<double> pageValues(SampleType type, int count, int seed = 0)
{
    double lo = 0;
    double hi = 0;
    switch (type) {
    case SampleType::U8:
        hi = 255;
        break;
    case SampleType::S8:
        lo = -128;
        hi = 127;
        break;
    case SampleType::U16:
        hi = 65535;
        break;
    case SampleType::S16:
        lo = -32768;
        hi = 32767;
        break;
    case SampleType::U32:
        hi = 4294967295.0;
        break;
    case SampleType::S32:
        lo = -2147483648.0;
        hi = 2147483647.0;
        break;
    case SampleType::F32:
        lo = std::numeric_limits<float>::lowest();
        hi = std::numeric_limits<float>::max();
        break;
    case SampleType::F64:
        lo = std::numeric_limits<double>::lowest();
        hi = std::numeric_limits<double>::max();
        break;
    case SampleType::None:
        break;
    }
    const bool isFloat = formatOf(type) == SAMPLEFORMAT_IEEEFP;
    QList<double> values(count);
    for (int i = 0; i < count; ++i) {
        const quint64 step = quint64(i) * 2654435761u + quint64(seed) * 40503u;
        if (isFloat) {
            // Eighths are exact in a float; the third of a double is not.
            const double eighths = double(qint64(step % 2001) - 1000) / 8.0;
            values[i] = type == SampleType::F64 ? eighths + 1.0 / 3.0 : eighths;
        } else {
            values[i] = lo + double(step % quint64(hi - lo + 1));
        }
    }
    values[0] = lo;
    values[1] = hi;
    values[2] = isFloat ? double(-1e-30f) : lo + 1;
    return values;
}

QByteArray hostBytes(SampleType type, const QList<double>& values)
{
    QByteArray bytes(values.size() * bytesPerSample(type), '\0');
    doublesToSamples(values.constData(), values.size(), type,
                     QSysInfo::ByteOrder == QSysInfo::LittleEndian,
                     reinterpret_cast<uchar*>(bytes.data()));
    return bytes;
}

struct Page {
    int width = 37;
    int height = 21;
    SampleType type = SampleType::U16;
    QList<double> values;
    int tile = 0;         // edge of square tiles; 0 stores strips
    int rowsPerStrip = 0; // 0 leaves the choice to libtiff
    int compression = COMPRESSION_NONE;
    int predictor = PREDICTOR_NONE;
    int photometric = PHOTOMETRIC_MINISBLACK;
};

Page makePage(int width, int height, SampleType type, int seed = 0)
{
    Page page;
    page.width = width;
    page.height = height;
    page.type = type;
    page.values = pageValues(type, width * height, seed);
    return page;
}

bool writePage(TIFF* tif, const Page& page)
{
    const int pixelBytes = bytesPerSample(page.type);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(page.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(page.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8 * pixelBytes);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, page.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, page.compression);
    // Unsigned pages go without the tag, as most writers store them.
    if (formatOf(page.type) != SAMPLEFORMAT_UINT)
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, formatOf(page.type));
    if (page.predictor != PREDICTOR_NONE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, page.predictor);

    const QByteArray pixels = hostBytes(page.type, page.values);
    const qsizetype rowBytes = qsizetype(page.width) * pixelBytes;
    if (page.tile > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(page.tile));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(page.tile));
        const qsizetype tileRowBytes = qsizetype(page.tile) * pixelBytes;
        for (int y = 0; y < page.height; y += page.tile) {
            for (int x = 0; x < page.width; x += page.tile) {
                // The part past the image holds bytes the image does not, so a reader that
                // keeps them shows.
                QByteArray tile(tileRowBytes * page.tile, '\x5a');
                const int rows = std::min(page.tile, page.height - y);
                for (int r = 0; r < rows; ++r)
                    std::memcpy(tile.data() + r * tileRowBytes,
                                pixels.constData() + (y + r) * rowBytes + x * pixelBytes,
                                size_t(std::min(page.tile, page.width - x) * pixelBytes));
                const uint32_t index = TIFFComputeTile(tif, uint32_t(x), uint32_t(y), 0, 0);
                if (TIFFWriteEncodedTile(tif, index, tile.data(), tile.size()) < 0)
                    return false;
            }
        }
        return true;
    }
    const int rowsPerStrip =
        page.rowsPerStrip > 0 ? page.rowsPerStrip : int(TIFFDefaultStripSize(tif, 0));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    for (int y = 0, strip = 0; y < page.height; y += rowsPerStrip, ++strip) {
        // A copy: libtiff swaps the bytes of the buffer it gets in place.
        QByteArray chunk =
            pixels.mid(y * rowBytes, std::min(rowsPerStrip, page.height - y) * rowBytes);
        if (TIFFWriteEncodedStrip(tif, uint32_t(strip), chunk.data(), chunk.size()) < 0)
            return false;
    }
    return true;
}

// `mode` is TIFFOpen's: "w", plus "l" or "b" for the byte order, "8" for BigTIFF.
bool writeTiff(const QString& path, const char* mode, const QList<Page>& pages)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return false;
    bool written = true;
    for (const Page& page : pages)
        written = written && writePage(tif, page) && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    return written;
}

// A 4 x 4 page of zeros in a layout the reader does not take.
bool writeLayout(const QString& path, int samples, int bits, int format, int photometric, int depth)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(4));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(4));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(4));
    TIFFSetField(tif, TIFFTAG_IMAGEDEPTH, uint32_t(depth));
    const uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
    if (samples == 2)
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
    if (photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> colours(size_t(1) << bits);
        TIFFSetField(tif, TIFFTAG_COLORMAP, colours.data(), colours.data(), colours.data());
    }
    QByteArray zeros((4 * samples * bits + 7) / 8 * 4 * depth, '\0');
    const bool written =
        TIFFWriteEncodedStrip(tif, 0, zeros.data(), zeros.size()) >= 0 && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    return written;
}

template <typename T> void appendLittle(QByteArray& bytes, T value)
{
    const T little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
}

using Tags = QMap<uint16_t, uint32_t>;

Tags pageTags(uint32_t width, uint32_t height, uint16_t bits, uint16_t format, uint16_t compression)
{
    return {{TIFFTAG_IMAGEWIDTH, width},    {TIFFTAG_IMAGELENGTH, height},
            {TIFFTAG_BITSPERSAMPLE, bits},  {TIFFTAG_COMPRESSION, compression},
            {TIFFTAG_PHOTOMETRIC, 1},       {TIFFTAG_SAMPLESPERPIXEL, 1},
            {TIFFTAG_ROWSPERSTRIP, height}, {TIFFTAG_SAMPLEFORMAT, format}};
}

Tags tiledTags(Tags tags, uint32_t tileWidth, uint32_t tileLength)
{
    tags.remove(TIFFTAG_ROWSPERSTRIP);
    tags.insert(TIFFTAG_TILEWIDTH, tileWidth);
    tags.insert(TIFFTAG_TILELENGTH, tileLength);
    return tags;
}

// A little-endian TIFF laid out by hand: header, one directory, then `data` as the page's only
// strip or tile. Each entry holds one value; the data's offset and byte count are added here.
QByteArray handMadeTiff(Tags tags, const QByteArray& data)
{
    const bool tiled = tags.contains(TIFFTAG_TILEWIDTH);
    const uint32_t dataOffset = 8 + 2 + 12 * uint32_t(tags.size() + 2) + 4;
    tags.insert(tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS, dataOffset);
    tags.insert(tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, uint32_t(data.size()));
    const QList<uint16_t> shortTags = {TIFFTAG_BITSPERSAMPLE, TIFFTAG_COMPRESSION,
                                       TIFFTAG_PHOTOMETRIC, TIFFTAG_SAMPLESPERPIXEL,
                                       TIFFTAG_SAMPLEFORMAT};
    QByteArray file("II*\0", 4);
    appendLittle<uint32_t>(file, 8);
    appendLittle<uint16_t>(file, uint16_t(tags.size()));
    // QMap keeps the tags in ascending order, as a directory must.
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        const bool isShort = shortTags.contains(it.key());
        appendLittle<uint16_t>(file, it.key());
        appendLittle<uint16_t>(file, isShort ? TIFF_SHORT : TIFF_LONG);
        appendLittle<uint32_t>(file, 1);
        if (isShort) {
            appendLittle<uint16_t>(file, uint16_t(it.value()));
            appendLittle<uint16_t>(file, 0);
        } else {
            appendLittle<uint32_t>(file, it.value());
        }
    }
    appendLittle<uint32_t>(file, 0);
    return file + data;
}

// The 8 x 4 unsigned 16-bit page of handMadePage(), its values 0, 1000, 2000, ...
QList<double> handMadeValues()
{
    QList<double> values;
    for (int i = 0; i < 32; ++i)
        values.append(1000.0 * i);
    return values;
}

QByteArray handMadePage()
{
    return handMadeTiff(pageTags(8, 4, 16, SAMPLEFORMAT_UINT, COMPRESSION_NONE),
                        hostBytes(SampleType::U16, handMadeValues()));
}

// Where `img` differs from `values`, read row by row, column by column and as its extremes;
// empty when it does not.
QString pixelMismatch(ImgData& img, const QList<double>& values)
{
    const auto differs = [](const char* what, int index, int at, double read, double written) {
        return QStringLiteral("%1 %2 at %3: read %4, written %5")
            .arg(QLatin1String(what))
            .arg(index)
            .arg(at)
            .arg(read, 0, 'g', 17)
            .arg(written, 0, 'g', 17);
    };
    std::vector<double> line(size_t(img.width), qQNaN());
    for (int r = 0; r < img.height; ++r) {
        img.row(r, line.data());
        for (int c = 0; c < img.width; ++c) {
            if (line[size_t(c)] != values[r * img.width + c])
                return differs("row", r, c, line[size_t(c)], values[r * img.width + c]);
        }
    }
    line.assign(size_t(img.height), qQNaN());
    for (int c = 0; c < img.width; ++c) {
        img.column(c, line.data());
        for (int r = 0; r < img.height; ++r) {
            if (line[size_t(r)] != values[r * img.width + c])
                return differs("column", c, r, line[size_t(r)], values[r * img.width + c]);
        }
    }
    double lo = 0;
    double hi = 0;
    img.minMax(lo, hi);
    const auto [wantLo, wantHi] = std::minmax_element(values.cbegin(), values.cend());
    if (lo != *wantLo || hi != *wantHi)
        return QStringLiteral("min max %1 %2, written %3 %4")
            .arg(lo, 0, 'g', 17)
            .arg(hi, 0, 'g', 17)
            .arg(*wantLo, 0, 'g', 17)
            .arg(*wantHi, 0, 'g', 17);
    return {};
}

bool allZero(const std::vector<double>& values)
{
    return std::all_of(values.cbegin(), values.cend(), [](double v) { return v == 0.0; });
}

} // namespace

class tst_imgdatatiff : public QObject
{
    Q_OBJECT

private:
    QString newName() { return QStringLiteral("%1.tif").arg(++m_files); }
    QString newPath() { return m_dir.filePath(newName()); }
    QString writeBytes(const QByteArray& bytes)
    {
        return writeTestFile(m_dir, newName(), bytes);
    }

    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readsLayouts_data()
    {
        QTest::addColumn<SampleType>("type");
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("rowsPerStrip");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("predictor");
        QTest::addColumn<int>("photometric");

        const int none = COMPRESSION_NONE;
        const int black = PHOTOMETRIC_MINISBLACK;
        const int noPredictor = PREDICTOR_NONE;
        const QList<std::pair<const char*, SampleType>> types = {
            {"u8", SampleType::U8},   {"s8", SampleType::S8},   {"u16", SampleType::U16},
            {"s16", SampleType::S16}, {"u32", SampleType::U32}, {"s32", SampleType::S32},
            {"f32", SampleType::F32}, {"f64", SampleType::F64}};
        // Five rows per strip leave a last strip of one row.
        for (const auto& [name, type] : types) {
            QTest::addRow("%s strips II", name)
                << type << QByteArray("wl") << 0 << 5 << none << noPredictor << black;
            QTest::addRow("%s strips MM", name)
                << type << QByteArray("wb") << 0 << 5 << none << noPredictor << black;
        }
        QTest::newRow("u8 libtiff's strips")
            << SampleType::U8 << QByteArray("w") << 0 << 0 << none << noPredictor << black;
        QTest::newRow("u8 white is zero") << SampleType::U8 << QByteArray("w") << 0 << 5 << none
                                          << noPredictor << int(PHOTOMETRIC_MINISWHITE);
        // 16-pixel tiles over 37 x 21 pixels: the right and bottom tiles are partial.
        QTest::newRow("s8 tiles II")
            << SampleType::S8 << QByteArray("wl") << 16 << 0 << none << noPredictor << black;
        QTest::newRow("u16 tiles II")
            << SampleType::U16 << QByteArray("wl") << 16 << 0 << none << noPredictor << black;
        QTest::newRow("f64 tiles MM")
            << SampleType::F64 << QByteArray("wb") << 16 << 0 << none << noPredictor << black;
        QTest::newRow("u16 deflate")
            << SampleType::U16 << QByteArray("w") << 0 << 5 << int(COMPRESSION_ADOBE_DEFLATE)
            << int(PREDICTOR_HORIZONTAL) << black;
        QTest::newRow("s16 deflate tiles MM")
            << SampleType::S16 << QByteArray("wb") << 16 << 0 << int(COMPRESSION_ADOBE_DEFLATE)
            << int(PREDICTOR_HORIZONTAL) << black;
        QTest::newRow("f32 LZW") << SampleType::F32 << QByteArray("w") << 0 << 4
                                 << int(COMPRESSION_LZW) << int(PREDICTOR_FLOATINGPOINT) << black;
        QTest::newRow("f64 deflate II")
            << SampleType::F64 << QByteArray("wl") << 0 << 7 << int(COMPRESSION_ADOBE_DEFLATE)
            << int(PREDICTOR_FLOATINGPOINT) << black;
        // libtiff 4.5 writes the floating-point predictor wrongly in big-endian files.
        QTest::newRow("f64 deflate MM") << SampleType::F64 << QByteArray("wb") << 0 << 7
                                        << int(COMPRESSION_ADOBE_DEFLATE) << noPredictor << black;
        QTest::newRow("s32 PackBits") << SampleType::S32 << QByteArray("w") << 0 << 5
                                      << int(COMPRESSION_PACKBITS) << noPredictor << black;
        QTest::newRow("u16 BigTIFF")
            << SampleType::U16 << QByteArray("w8") << 0 << 5 << none << noPredictor << black;
        QTest::newRow("f32 BigTIFF tiles MM")
            << SampleType::F32 << QByteArray("w8b") << 16 << 0 << none << noPredictor << black;
    }

    void readsLayouts()
    {
        QFETCH(SampleType, type);
        QFETCH(QByteArray, mode);
        QFETCH(int, tile);
        QFETCH(int, rowsPerStrip);
        QFETCH(int, compression);
        QFETCH(int, predictor);
        QFETCH(int, photometric);
        if (!TIFFIsCODECConfigured(uint16_t(compression)))
            QSKIP("libtiff was built without this codec");

        Page page = makePage(37, 21, type);
        page.tile = tile;
        page.rowsPerStrip = rowsPerStrip;
        page.compression = compression;
        page.predictor = predictor;
        page.photometric = photometric;
        const QString path = newPath();
        QVERIFY(writeTiff(path, mode.constData(), {page}));

        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        img.fileName = path;
        img.expTime = 5.0;
        QVERIFY2(img.load(0), log.all());
        QVERIFY2(log.isEmpty(), log.all());
        QCOMPARE(img.width, 37);
        QCOMPARE(img.height, 21);
        QCOMPARE(img.frameCount, 1);
        QCOMPARE(img.expTime, 1.0);
        const QString mismatch = pixelMismatch(img, page.values);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void readsHandMadeFile()
    {
        const QString path = writeBytes(handMadePage());
        QVERIFY(!path.isEmpty());
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(img.load(0));
        const QString mismatch = pixelMismatch(img, handMadeValues());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void createsReaderForBothByteOrders_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("mark");
        QTest::newRow("II") << QByteArray("wl") << QByteArray("II");
        QTest::newRow("MM") << QByteArray("wb") << QByteArray("MM");
    }

    void createsReaderForBothByteOrders()
    {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, mark);
        const Page page = makePage(6, 5, SampleType::U16);
        const QString path = newPath();
        QVERIFY(writeTiff(path, mode.constData(), {page}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), mark);

        const int type = ImgData::fileType(path);
        QCOMPARE(type, int(ImgData::Tiff));
        const std::unique_ptr<ImgData> img = ImgData::createImgData(type);
        QVERIFY(dynamic_cast<ImgDataTiff*>(img.get()));
        img->fileName = path;
        QVERIFY(img->load(0));
        const QString mismatch = pixelMismatch(*img, page.values);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void readsPagesOneByOne()
    {
        const QList<Page> pages = {makePage(11, 7, SampleType::U16, 1),
                                   makePage(11, 7, SampleType::F32, 2),
                                   makePage(11, 7, SampleType::S8, 3)};
        const QString path = newPath();
        QVERIFY(writeTiff(path, "w", pages));

        ImgDataTiff img;
        img.fileName = path;
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY(img.load(i));
            QCOMPARE(img.frameIndex, i);
            QCOMPARE(img.frameCount, 3);
            const QString mismatch = pixelMismatch(img, pages[i].values);
            QVERIFY2(mismatch.isEmpty(), qPrintable(QStringLiteral("page %1: ").arg(i) + mismatch));
        }
    }

    void closesFileAfterLoading()
    {
        const QDir descriptors(QStringLiteral("/proc/self/fd"));
        if (!descriptors.exists())
            QSKIP("needs /proc to count open files");
        const QString path = newPath();
        QVERIFY(writeTiff(path, "w", {makePage(11, 7, SampleType::U16)}));
        const qsizetype before = descriptors.entryList(QDir::AllEntries | QDir::System).size();
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(img.load(0));
        QCOMPARE(descriptors.entryList(QDir::AllEntries | QDir::System).size(), before);
    }

    void servesZerosWithoutData_data()
    {
        QTest::addColumn<bool>("isRow");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("reset");
        QTest::newRow("row -1") << true << -1 << false;
        QTest::newRow("row past the end") << true << 7 << false;
        QTest::newRow("column -1") << false << -1 << false;
        QTest::newRow("column past the end") << false << 11 << false;
        QTest::newRow("row after reset") << true << 0 << true;
        QTest::newRow("column after reset") << false << 0 << true;
    }

    void servesZerosWithoutData()
    {
        QFETCH(bool, isRow);
        QFETCH(int, index);
        QFETCH(bool, reset);
        Page page = makePage(11, 7, SampleType::U16);
        // No zeros in the image, so zeros can only come from outside it.
        std::replace(page.values.begin(), page.values.end(), 0.0, 1.0);
        const QString path = newPath();
        QVERIFY(writeTiff(path, "w", {page}));
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(img.load(0));
        if (reset)
            img.reset();

        std::vector<double> line(size_t(isRow ? img.width : img.height), qQNaN());
        if (isRow)
            img.row(index, line.data());
        else
            img.column(index, line.data());
        QVERIFY(allZero(line));
    }

    void refusesBadHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray beyond("II*\0", 4);
        appendLittle<uint32_t>(beyond, 4096);
        beyond.append(16, '\0');
        QByteArray emptyDirectory("II*\0", 4);
        appendLittle<uint32_t>(emptyDirectory, 8);
        appendLittle<uint16_t>(emptyDirectory, 0);
        appendLittle<uint32_t>(emptyDirectory, 0);
        QByteArray manyEntries("MM\0*", 4);
        manyEntries.append(QByteArray::fromHex("00000008ffff"));
        manyEntries.append(24, '\x01');

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("II then garbage") << QByteArray("II\x13\x37 this is no image at all");
        QTest::newRow("MM then garbage") << QByteArray("MMzz\x00\x00\x00\x08 nor is this", 21);
        QTest::newRow("BigTIFF header cut short") << QByteArray("II+\0\x08\0\0\0", 8);
        QTest::newRow("directory at offset 0") << QByteArray("II*\0\0\0\0\0", 8);
        QTest::newRow("directory beyond the end") << beyond;
        QTest::newRow("directory without entries") << emptyDirectory;
        QTest::newRow("65535 entries in 30 bytes") << manyEntries;
    }

    void refusesBadHeaders()
    {
        QFETCH(QByteArray, bytes);
        const QString path = writeBytes(bytes);
        QVERIFY(!path.isEmpty());
        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(!img.load(0));
        QVERIFY2(log.has(QStringLiteral("Can not open TIFF file"), path), log.all());
    }

    void refusesTruncatedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray whole = handMadePage();
        const QString cannotOpen = QStringLiteral("Can not open TIFF file");
        const QString cannotDecode = QStringLiteral("Can not decode TIFF strip 0");
        // The directory of handMadePage() ends at byte 134; the strip of 64 bytes follows.
        QTest::newRow("partial header") << whole.left(4) << cannotOpen;
        QTest::newRow("header only") << whole.left(8) << cannotOpen;
        QTest::newRow("mid directory") << whole.left(8 + 2 + 12 * 4 + 5) << cannotOpen;
        QTest::newRow("mid strip") << whole.left(134 + 30) << cannotDecode;
        QTest::newRow("last byte missing") << whole.left(whole.size() - 1) << cannotDecode;

        // libtiff writes its directory after the pixels.
        const QString path = newPath();
        QVERIFY(writeTiff(path, "w", {makePage(16, 16, SampleType::U16)}));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QTest::newRow("written file cut before its directory") << written.read(300) << cannotOpen;
    }

    void refusesTruncatedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = writeBytes(bytes);
        QVERIFY(!path.isEmpty());
        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(!img.load(0));
        QVERIFY2(log.has(reason, path), log.all());
    }

    void refusesUnsupportedLayouts_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("photometric");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("reason");
        const int uint = SAMPLEFORMAT_UINT;
        const int black = PHOTOMETRIC_MINISBLACK;
        const auto bitsReason = [](int format, int bits) {
            return QStringLiteral("sample format %1 with %2 bits per sample").arg(format).arg(bits);
        };
        QTest::newRow("RGB") << 3 << 8 << uint << int(PHOTOMETRIC_RGB) << 1
                             << QStringLiteral("3 samples per pixel");
        QTest::newRow("grey and alpha")
            << 2 << 16 << uint << black << 1 << QStringLiteral("2 samples per pixel");
        QTest::newRow("palette") << 1 << 8 << uint << int(PHOTOMETRIC_PALETTE) << 1
                                 << QStringLiteral("photometric interpretation 3");
        QTest::newRow("CIE L*a*b* lightness") << 1 << 8 << uint << int(PHOTOMETRIC_CIELAB) << 1
                                              << QStringLiteral("photometric interpretation 8");
        for (const int bits : {1, 4, 12, 24, 64})
            QTest::addRow("%d-bit unsigned", bits)
                << 1 << bits << uint << black << 1 << bitsReason(uint, bits);
        QTest::newRow("64-bit signed")
            << 1 << 64 << int(SAMPLEFORMAT_INT) << black << 1 << bitsReason(SAMPLEFORMAT_INT, 64);
        QTest::newRow("16-bit float") << 1 << 16 << int(SAMPLEFORMAT_IEEEFP) << black << 1
                                      << bitsReason(SAMPLEFORMAT_IEEEFP, 16);
        QTest::newRow("complex float") << 1 << 64 << int(SAMPLEFORMAT_COMPLEXIEEEFP) << black << 1
                                       << bitsReason(SAMPLEFORMAT_COMPLEXIEEEFP, 64);
        QTest::newRow("untyped") << 1 << 8 << int(SAMPLEFORMAT_VOID) << black << 1
                                 << bitsReason(SAMPLEFORMAT_VOID, 8);
        QTest::newRow("depth 2") << 1 << 8 << uint << black << 2 << QStringLiteral("depth 2");
    }

    void refusesUnsupportedLayouts()
    {
        QFETCH(int, samples);
        QFETCH(int, bits);
        QFETCH(int, format);
        QFETCH(int, photometric);
        QFETCH(int, depth);
        QFETCH(QString, reason);
        const QString path = newPath();
        QVERIFY(writeLayout(path, samples, bits, format, photometric, depth));
        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(!img.load(0));
        QVERIFY2(log.has(reason, path), log.all());
    }

    // Directories that claim more than their file can hold, or a codec libtiff lacks, are
    // refused by readProps, before anything is allocated for the page.
    void refusesImplausibleDirectories_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const int uint = SAMPLEFORMAT_UINT;
        const int ieee = SAMPLEFORMAT_IEEEFP;
        const int deflate = COMPRESSION_ADOBE_DEFLATE;
        const QByteArray sixteen(16, '\x11');

        QTest::newRow("65535 x 65535 floats in 150 bytes")
            << handMadeTiff(pageTags(65535, 65535, 32, ieee, COMPRESSION_NONE), sixteen)
            << QStringLiteral("page of 65535 x 65535 pixels needs 17179344900 bytes, more than "
                              "the file holds");
        QTest::newRow("64 x 64 bytes in 150 bytes")
            << handMadeTiff(pageTags(64, 64, 8, uint, COMPRESSION_NONE), sixteen)
            << QStringLiteral("page of 64 x 64 pixels needs 4096 bytes, more than the file");
        QTest::newRow("65535 x 65535 deflated doubles")
            << handMadeTiff(pageTags(65535, 65535, 64, ieee, deflate), sixteen)
            << QStringLiteral("needs 34358689800 bytes, more than 1024 times the file");
        // libtiff itself refuses sizes that overflow 64 bits and tiles of no width.
        QTest::newRow("doubles beyond 64-bit sizes")
            << handMadeTiff(pageTags(2147483647, 2147483647, 64, ieee, deflate), sixteen)
            << QStringLiteral("Can not open TIFF file");
        QTest::newRow("zero tile width")
            << handMadeTiff(tiledTags(pageTags(16, 16, 8, uint, deflate), 0, 16), sixteen)
            << QStringLiteral("Can not open TIFF file");
        QTest::newRow("width beyond int")
            << handMadeTiff(pageTags(4294967295u, 1, 8, uint, deflate), sixteen)
            << QStringLiteral("size 4294967295 x 1 is out of range");
        QTest::newRow("65536 x 65536 tile over 16 x 16 pixels")
            << handMadeTiff(tiledTags(pageTags(16, 16, 8, uint, deflate), 65536, 65536), sixteen)
            << QStringLiteral("tile of 65536 x 65536 pixels needs 4294967296 bytes, more than "
                              "1024 times the file");
        QTest::newRow("unknown compression")
            << handMadeTiff(pageTags(4, 4, 8, uint, 12345), sixteen)
            << QStringLiteral("compression 12345 is not available");
    }

    void refusesImplausibleDirectories()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = writeBytes(bytes);
        QVERIFY(!path.isEmpty());
        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        QVERIFY(!img.readProps(path, img.width, img.height));
        QVERIFY2(log.has(reason, path), log.all());
    }

    // Such pages pass readProps; open() must refuse them rather than serve undecoded bytes.
    void refusesUndecodableData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray garbage = QByteArray("\xde\xad\xbe\xef").repeated(16);
        const Tags strip = pageTags(64, 64, 8, SAMPLEFORMAT_UINT, COMPRESSION_ADOBE_DEFLATE);
        QTest::newRow("deflate strip")
            << handMadeTiff(strip, garbage) << QStringLiteral("Can not decode TIFF strip 0");
        QTest::newRow("deflate tile") << handMadeTiff(tiledTags(strip, 64, 64), garbage)
                                      << QStringLiteral("Can not decode TIFF tile 0");
    }

    void refusesUndecodableData()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = writeBytes(bytes);
        QVERIFY(!path.isEmpty());
        MessageLog log(lcImageIo().categoryName());
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(!img.load(0));
        QVERIFY2(log.has(reason, path), log.all());
        QVERIFY2(log.has(QStringLiteral("Can not open ImgData"), path), log.all());
        QVERIFY(img.width > 0);
        std::vector<double> line(size_t(img.width), qQNaN());
        img.row(0, line.data());
        QVERIFY(allZero(line));
    }

    void refusesOtherPages_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("reason");
        QTest::newRow("page of another size")
            << 2 << QStringLiteral("page 2 of 5 x 9 pixels differs from the first page of 11 x 7");
        QTest::newRow("page past the last") << 3 << QStringLiteral("page 3 is beyond the 3 pages");
        QTest::newRow("page -1") << -1 << QStringLiteral("page -1 is beyond the 3 pages");
    }

    void refusesOtherPages()
    {
        QFETCH(int, frame);
        QFETCH(QString, reason);
        const QString path = newPath();
        QVERIFY(writeTiff(path, "w",
                          {makePage(11, 7, SampleType::U16), makePage(11, 7, SampleType::U16),
                           makePage(5, 9, SampleType::U16)}));
        ImgDataTiff img;
        img.fileName = path;
        QVERIFY(img.load(0));

        MessageLog log(lcImageIo().categoryName());
        QVERIFY(!img.load(frame));
        QVERIFY(!img.valid);
        QVERIFY2(log.has(reason, path), log.all());
        // Page 0 is gone, not served as the refused page.
        std::vector<double> line(size_t(img.width), qQNaN());
        img.row(0, line.data());
        QVERIFY(allZero(line));
    }
};

QTEST_MAIN(tst_imgdatatiff)
#include "tst_imgdatatiff.moc"
