#include "imageio/imgdata.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "imageio/pixelformat.h"
#include "phantom/phantomwriter.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

struct Sample {
    QString name;
    QByteArray bytes;
    // Cuts at every byte count below this; the header and everything it points at.
    qsizetype header = 0;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<double> ramp(int count, int seed)
{
    std::vector<double> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        values[size_t(i)] = (i * 37 + seed * 11) % 200;
    return values;
}

QByteArray itex(const QString& path, SampleType type, int width, int height, int frames)
{
    ItexWriter writer(path, width, height, type, frames,
                      ItexWriter::standardComment(width, height, 0.5));
    for (int f = 0; f < frames; ++f)
        if (!writer.appendFrame(ramp(width * height, f).data()))
            return {};
    return writer.commit() ? readAll(path) : QByteArray();
}

// A page of 8-, 16- or 32-bit float samples, in strips or tiles, with a compression.
QByteArray writeTiff(const QString& path, const char* mode, int bits, bool real, int tile,
                     uint16_t compression, int pages)
{
    const int width = 20;
    const int height = 12;
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return {};
    const SampleType type = real ? SampleType::F32 : bits == 8 ? SampleType::U8 : SampleType::U16;
    for (int p = 0; p < pages; ++p) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
        if (real)
            TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        const int span = tile > 0 ? tile : width;
        const int rows = tile > 0 ? tile : 5;
        QByteArray block(span * rows * bytesPerSample(type), '\0');
        if (tile > 0) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(tile));
            TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(tile));
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rows));
        }
        const int blocks = tile > 0 ? int(TIFFNumberOfTiles(tif)) : (height + rows - 1) / rows;
        for (int b = 0; b < blocks; ++b) {
            const std::vector<double> values = ramp(span * rows, b + p);
            doublesToSamples(values.data(), span * rows, type,
                             QSysInfo::ByteOrder == QSysInfo::LittleEndian,
                             reinterpret_cast<uchar*>(block.data()));
            const tmsize_t size =
                tile > 0 ? block.size()
                         : std::min(rows, height - b * rows) * span * bytesPerSample(type);
            const tmsize_t written =
                tile > 0 ? TIFFWriteEncodedTile(tif, uint32_t(b), block.data(), size)
                         : TIFFWriteEncodedStrip(tif, uint32_t(b), block.data(), size);
            if (written < 0) {
                TIFFClose(tif);
                return {};
            }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return readAll(path);
}

// Each frame read from a file: valid or not, and the pixels when valid.
struct Frame {
    bool valid = false;
    int width = 0;
    int height = 0;
    std::vector<double> pixels;
};

QList<Frame> readFrames(const QString& path, int frames)
{
    QList<Frame> out;
    for (int k = 0; k < frames; ++k) {
        Frame frame;
        std::unique_ptr<ImgData> img = ImgData::createImgData(ImgData::fileType(path));
        if (img) {
            img->fileName = path;
            frame.valid = img->load(k);
        }
        if (frame.valid) {
            frame.width = img->width;
            frame.height = img->height;
            frame.pixels.resize(size_t(img->width) * size_t(img->height));
            for (int r = 0; r < img->height; ++r)
                img->row(r, frame.pixels.data() + size_t(r) * size_t(img->width));
            std::vector<double> column(size_t(img->height));
            for (int c = 0; c < img->width; ++c)
                img->column(c, column.data());
        }
        out << frame;
    }
    return out;
}

// The byte counts to cut at: every one through the header, then points through the data.
QList<qsizetype> cuts(const Sample& s)
{
    QList<qsizetype> out;
    const qsizetype size = s.bytes.size();
    for (qsizetype n = 0; n < std::min(s.header, size); ++n)
        out << n;
    for (int i = 0; i < 24; ++i)
        out << s.header + (size - s.header) * i / 24;
    for (qsizetype n = std::max(s.header, size - 16); n < size; ++n)
        out << n;
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

qsizetype itexHeader(const QByteArray& bytes)
{
    const qsizetype comment = qsizetype(uchar(bytes.at(2))) | qsizetype(uchar(bytes.at(3))) << 8;
    return 64 + comment;
}

} // namespace

class tst_truncation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<Sample> m_samples;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QLoggingCategory::setFilterRules(QStringLiteral("cirvo.*.debug=false"));
        const QDir dir(m_dir.path());
        const struct {
            const char* name;
            SampleType type;
            int frames;
        } itexFiles[] = {{"u8.img", SampleType::U8, 1},
                         {"s16.img", SampleType::S16, 1},
                         {"u16.his", SampleType::U16, 3},
                         {"s32.img", SampleType::S32, 1},
                         {"f32.his", SampleType::F32, 2}};
        for (const auto& f : itexFiles) {
            const QByteArray bytes = itex(dir.filePath(f.name), f.type, 9, 5, f.frames);
            QVERIFY2(!bytes.isEmpty(), f.name);
            m_samples << Sample{f.name, bytes, itexHeader(bytes)};
        }

        PhantomWriter::Settings p;
        p.outDir = dir.filePath(QStringLiteral("phantom"));
        p.width = 12;
        p.height = 4;
        p.projections = 5;
        QString error;
        QVERIFY2(PhantomWriter(p).write(&error), qPrintable(error));
        for (const char* name : {"phantom.his", "I0.img", "BG.img", "truth.his"}) {
            const QByteArray bytes = readAll(QDir(p.outDir).filePath(name));
            QVERIFY2(!bytes.isEmpty(), name);
            m_samples << Sample{QStringLiteral("phantom/") + name, bytes, itexHeader(bytes)};
        }

        const struct {
            const char* name;
            const char* mode;
            int bits;
            bool real;
            int tile;
            uint16_t compression;
            int pages;
        } tiffFiles[] = {
            {"strips-u8.tif", "wl", 8, false, 0, COMPRESSION_NONE, 1},
            {"strips-u16-be.tif", "wb", 16, false, 0, COMPRESSION_NONE, 1},
            {"tiles-f32.tif", "wl", 32, true, 16, COMPRESSION_NONE, 1},
            {"deflate-u16.tif", "wl", 16, false, 0, COMPRESSION_ADOBE_DEFLATE, 1},
            {"lzw-pages.tif", "wl", 16, false, 0, COMPRESSION_LZW, 2},
            {"bigtiff.tif", "w8", 16, false, 0, COMPRESSION_NONE, 1},
        };
        for (const auto& f : tiffFiles) {
            const QByteArray bytes = writeTiff(dir.filePath(f.name), f.mode, f.bits, f.real, f.tile,
                                               f.compression, f.pages);
            QVERIFY2(!bytes.isEmpty(), f.name);
            // The directories come after the data: every byte is header somewhere.
            m_samples << Sample{f.name, bytes, bytes.size()};
        }
    }

    void truncatedFilesAreRefusedOrReadWhole_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_samples.size(); ++i)
            QTest::newRow(qPrintable(m_samples.at(i).name)) << i;
    }

    void truncatedFilesAreRefusedOrReadWhole()
    {
        QFETCH(int, index);
        const Sample& sample = m_samples.at(index);
        const QString whole = m_dir.filePath(QStringLiteral("whole"));
        {
            QFile f(whole);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(sample.bytes);
        }
        const int frames = ImgDatas::frameCountOf(whole);
        QVERIFY(frames >= 1);
        const QList<Frame> original = readFrames(whole, frames);
        for (const Frame& frame : original)
            QVERIFY(frame.valid);

        const QString cut = m_dir.filePath(QStringLiteral("cut"));
        int refused = 0;
        for (const qsizetype length : cuts(sample)) {
            {
                QFile f(cut);
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write(sample.bytes.left(length));
            }
            // A frame read from a cut file must be the frame of the whole file, not made up.
            const QList<Frame> read = readFrames(cut, frames);
            for (int k = 0; k < frames; ++k) {
                if (!read.at(k).valid) {
                    ++refused;
                    continue;
                }
                const QByteArray where = QStringLiteral("frame %1 of %2 cut at %3")
                                             .arg(k)
                                             .arg(sample.name)
                                             .arg(length)
                                             .toLatin1();
                QVERIFY2(read.at(k).width == original.at(k).width, where.constData());
                QVERIFY2(read.at(k).height == original.at(k).height, where.constData());
                QVERIFY2(std::memcmp(read.at(k).pixels.data(), original.at(k).pixels.data(),
                                     read.at(k).pixels.size() * sizeof(double)) == 0,
                         where.constData());
            }
        }
        QVERIFY(refused > 0);
    }
};

QTEST_GUILESS_MAIN(tst_truncation)
#include "tst_truncation.moc"
