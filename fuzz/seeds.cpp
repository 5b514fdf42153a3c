// Writes the seed corpora of the fuzz targets into
// OUTDIR/{itex,tiff,config,batch,zephmeta,link,slices}:
// small, well-formed files from the project's own writers and libtiff, the starting points the
// fuzzers mutate.
#include "imageio/itexwriter.h"
#include "phantom/phantomwriter.h"
#include "recon/slicefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

bool failed = false;

void fail(const QString& what)
{
    std::fprintf(stderr, "cirvo-fuzz-seeds: %s\n", qPrintable(what));
    failed = true;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write ") + path);
}

std::vector<double> ramp(int count, double start, double step)
{
    std::vector<double> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        values[size_t(i)] = start + step * i;
    return values;
}

void itex(const QString& path, int w, int h, SampleType type, int frames, const QByteArray& comment)
{
    ItexWriter writer(path, w, h, type, frames, comment);
    for (int f = 0; f < frames; ++f)
        if (!writer.appendFrame(ramp(w * h, 10.0 * f - 3, 1.5).data()))
            fail(writer.errorString());
    if (!writer.commit())
        fail(writer.errorString());
}

void itexSeeds(const QDir& dir)
{
    const auto comment = [](int w, int h) { return ItexWriter::standardComment(w, h, 0.5); };
    itex(dir.filePath("u8.img"), 4, 3, SampleType::U8, 1, comment(4, 3));
    itex(dir.filePath("s16x3.his"), 3, 2, SampleType::S16, 3, comment(3, 2));
    itex(dir.filePath("u16.img"), 5, 4, SampleType::U16, 1,
         ItexWriter::standardComment(5, 4, 2.0, "Prop_ExposureTime2=0.25,"));
    itex(dir.filePath("s32x2.his"), 2, 2, SampleType::S32, 2, comment(2, 2));
    itex(dir.filePath("f32.img"), 4, 4, SampleType::F32, 1, comment(4, 4));
    itex(dir.filePath("aresource.img"), 4, 3, SampleType::U16, 1,
         "Camera=\"x,y\",areSource=\"0,0,4,3\",Prop_Note=\"a,b\",");
    // A smaller image inside a larger header frame, and a type that reads as zeros.
    QByteArray bytes;
    itex(dir.filePath("smaller.img"), 6, 2, SampleType::U16, 2, comment(4, 3));
    QFile plain(dir.filePath("u8.img"));
    if (plain.open(QIODevice::ReadOnly))
        bytes = plain.readAll();
    if (bytes.size() > 14) {
        qToLittleEndian<quint16>(7, bytes.data() + 12);
        writeBytes(dir.filePath("type7.img"), bytes);
    }

    PhantomWriter::Settings s;
    s.outDir = dir.filePath("phantom");
    s.width = 8;
    s.height = 4;
    s.projections = 3;
    s.truth = false;
    QString error;
    if (!PhantomWriter(s).write(&error))
        fail(error);
    s.layout = PhantomWriter::Layout::Img;
    s.pixelType = SampleType::F32;
    s.projections = 1;
    s.outDir = dir.filePath("phantom-img");
    if (!PhantomWriter(s).write(&error))
        fail(error);
}

struct TiffPage {
    int width = 8;
    int height = 4;
    int bits = 16;
    int format = SAMPLEFORMAT_UINT;
    int compression = COMPRESSION_NONE;
    int predictor = PREDICTOR_NONE;
    int photometric = PHOTOMETRIC_MINISBLACK;
    int tile = 0;
    int rowsPerStrip = 2;
};

bool writePage(TIFF* tif, const TiffPage& p)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(p.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, p.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    if (p.predictor != PREDICTOR_NONE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, p.predictor);
    const int pixelBytes = p.bits / 8;
    // Any bytes do: the seeds only need valid structure.
    std::vector<uchar> pixels(size_t(p.width * p.height * pixelBytes));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uchar(i * 7 / 3);
    if (p.tile > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(p.tile));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(p.tile));
        std::vector<uchar> tile(size_t(p.tile * p.tile * pixelBytes), 0x5a);
        for (int y = 0; y < p.height; y += p.tile)
            for (int x = 0; x < p.width; x += p.tile)
                if (TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, uint32_t(x), uint32_t(y), 0, 0),
                                         tile.data(), tmsize_t(tile.size())) < 0)
                    return false;
        return true;
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(p.rowsPerStrip));
    const int rowBytes = p.width * pixelBytes;
    for (int y = 0, strip = 0; y < p.height; y += p.rowsPerStrip, ++strip) {
        const int rows = std::min(p.rowsPerStrip, p.height - y);
        if (TIFFWriteEncodedStrip(tif, uint32_t(strip), pixels.data() + y * rowBytes,
                                  tmsize_t(rows * rowBytes)) < 0)
            return false;
    }
    return true;
}

void tiff(const QString& path, const char* mode, const std::vector<TiffPage>& pages)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif) {
        fail(QStringLiteral("cannot open ") + path);
        return;
    }
    for (const TiffPage& page : pages)
        if (!writePage(tif, page) || !TIFFWriteDirectory(tif))
            fail(QStringLiteral("cannot write ") + path);
    TIFFClose(tif);
}

void tiffSeeds(const QDir& dir)
{
    const struct {
        const char* name;
        int bits;
        int format;
    } types[] = {{"u8", 8, SAMPLEFORMAT_UINT},     {"s8", 8, SAMPLEFORMAT_INT},
                 {"u16", 16, SAMPLEFORMAT_UINT},   {"s16", 16, SAMPLEFORMAT_INT},
                 {"u32", 32, SAMPLEFORMAT_UINT},   {"s32", 32, SAMPLEFORMAT_INT},
                 {"f32", 32, SAMPLEFORMAT_IEEEFP}, {"f64", 64, SAMPLEFORMAT_IEEEFP}};
    for (const auto& t : types) {
        TiffPage p;
        p.bits = t.bits;
        p.format = t.format;
        tiff(dir.filePath(QStringLiteral("%1.tif").arg(t.name)), "wl", {p});
    }
    TiffPage p;
    tiff(dir.filePath("u16-big-endian.tif"), "wb", {p});
    tiff(dir.filePath("bigtiff.tif"), "w8", {p});
    TiffPage second = p;
    second.bits = 32;
    second.format = SAMPLEFORMAT_IEEEFP;
    tiff(dir.filePath("three-pages.tif"), "wl", {p, second, p});
    TiffPage white = p;
    white.photometric = PHOTOMETRIC_MINISWHITE;
    tiff(dir.filePath("miniswhite.tif"), "wl", {white});
    TiffPage tiled = p;
    tiled.width = 20;
    tiled.height = 18;
    tiled.tile = 16;
    tiff(dir.filePath("tiled.tif"), "wl", {tiled});
    tiff(dir.filePath("tiled-big-endian.tif"), "wb", {tiled});
    const struct {
        const char* name;
        int compression;
        int predictor;
    } codecs[] = {{"lzw", COMPRESSION_LZW, PREDICTOR_NONE},
                  {"deflate", COMPRESSION_ADOBE_DEFLATE, PREDICTOR_NONE},
                  {"deflate-predictor", COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL},
                  {"packbits", COMPRESSION_PACKBITS, PREDICTOR_NONE}};
    for (const auto& c : codecs) {
        TiffPage packed = p;
        packed.compression = c.compression;
        packed.predictor = c.predictor;
        tiff(dir.filePath(QStringLiteral("%1.tif").arg(c.name)), "wl", {packed});
        tiled.compression = c.compression;
        tiff(dir.filePath(QStringLiteral("tiled-%1.tif").arg(c.name)), "wl", {tiled});
    }
}

// Config seeds: main.cfg, a.cfg, b.cfg in one input, separated as fuzz_config splits them.
void configSeeds(const QDir& dir)
{
    const auto files = [](const QList<QByteArray>& parts) { return parts.join("\n#--\n"); };
    writeBytes(dir.filePath("readme.cfg"),
               files({"DataRoot \"/data/beam time 2026\"   # data root\n"
                      "native_dialog 1\nshow_all_ct2_images 1\nZandor localhost 6078\n"
                      "INCLUDE a.cfg\nshow_tab 1\n",
                      "common 'single # quoted' value\nZandor other 1\n"}));
    writeBytes(dir.filePath("chain.cfg"),
               files({"x 1\ninclude a.cfg\ny 2\n", "a 1\nINCLUDE b.cfg\n", "b \"two words\"\n"}));
    writeBytes(dir.filePath("cycle.cfg"),
               files({"INCLUDE a.cfg\n", "INCLUDE b.cfg\n", "INCLUDE main.cfg\nafter 1\n"}));
    writeBytes(dir.filePath("self.cfg"), "k 1\nINCLUDE main.cfg\n");
    writeBytes(dir.filePath("quotes.cfg"),
               "key \"open value\nkey \"it's #cut\" tail\nword\" stray\r\ncrlf 1\r\n"
               "INCLUDE \"a.cfg\"\nINCLUDE\nINCLUDE missing.cfg\n");
}

void batchSeeds(const QDir& dir)
{
    writeBytes(dir.filePath("readme.txt"),
               "loop                      # a label\ncalc_exec\nseq_exec_next\n"
               ":ifok :goto loop\n:echo all energies done\n:end\n");
    writeBytes(dir.filePath("control.txt"),
               "start a\n:ifng :goto end\nx 1 2\n:IFOK :echo ok\n:goto start\nend\n:stop\n");
    writeBytes(dir.filePath("quotes.txt"),
               "i0_load \"/a b/c.img\" 'x # y' z\nbg_load x\" y\nopen \"unclosed # text\n"
               "dropped line \\\n  \n# comment only\n:goto \"start\"\nmissing_label\n");
}

// Meta files naming the numbers of the files fuzz_zephmeta puts beside them.
void zephMetaSeeds(const QDir& dir)
{
    writeBytes(dir.filePath("readme.meta"),
               "File Energy Note\n1 8.34 first\n2 8.35 \"second note\"\n3 8.36 third\n"
               "4 8.37 data-dir\n");
    writeBytes(dir.filePath("skipped.meta"),
               "F header\n\n  F indented\n0 8.33 no-i0-yet\n1.9 \"8.34\" truncated extra\n"
               "-1 8.30 negative\r\nx 8.38 not-a-number\n");
    QByteArray wide = "File\n";
    for (int k = 0; k < 12; ++k)
        wide += QByteArray::number(k) + " 8." + QByteArray::number(30 + k) + " n\n";
    writeBytes(dir.filePath("width2.meta"), wide);
}

// Report streams as the companion sends them; the first three bytes say where fuzz_link cuts.
void linkSeeds(const QDir& dir)
{
    writeBytes(dir.filePath("reports.txt"),
               "\x20\x80\xc0ISBUSY 1\nISBUSY 0 LOAD_I1_FILES_OF_PATTERN\nISBUSY 1\n"
               "ISBUSY 0 LOAD_I1_FILES\nISBUSY 0 ANALYZER_EXEC_2DA\n");
    writeBytes(dir.filePath("mixed.txt"),
               "\x10\x11\x12isbusy 0 load_i1_files\r\n\nISBUSY\n  ISBUSY\t1  x \nhello\n"
               "ISBUSY yes CMD\nISBUSY 01\nISBU");
    writeBytes(dir.filePath("long.txt"),
               "\x01\x40\xfe" + QByteArray(200, 'x') + "\nISBUSY 1\n" + QByteArray(70, 'y'));
}

// A slice text from the program's writer, over a region with fractional bounds, and a
// position-and-value text with commas, blanks and tabs.
void slicesSeeds(const QDir& dir)
{
    const int n = 6;
    writeBytes(dir.filePath("ctimg.dat"),
               SliceFiles::sliceText(ramp(n * n, -2, 0.25), n, {0.5, 1.25, 5.5, 4}, -1, 5, 0.5));
    QByteArray points = "## 240301\n# Format1 : XYV\n# Format2 : SPACE-Separated\n# X-NUM 4\n"
                        "# Y-NUM 3\n# a comment\n";
    for (int y = 2; y < 5; ++y)
        for (int x = -1; x < 3; ++x)
            points += QByteArray::number(x) + (x % 2 ? "," : " ") + QByteArray::number(y) + "\t" +
                      QByteArray::number(x * 0.5 - y) + '\n';
    writeBytes(dir.filePath("posvalue.txt"), points);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: cirvo-fuzz-seeds OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"itex", "tiff", "config", "batch", "zephmeta", "link", "slices"})
        if (!out.mkpath(QLatin1String(sub)))
            fail(QStringLiteral("cannot create ") + out.filePath(QLatin1String(sub)));
    itexSeeds(QDir(out.filePath("itex")));
    tiffSeeds(QDir(out.filePath("tiff")));
    configSeeds(QDir(out.filePath("config")));
    batchSeeds(QDir(out.filePath("batch")));
    zephMetaSeeds(QDir(out.filePath("zephmeta")));
    linkSeeds(QDir(out.filePath("link")));
    slicesSeeds(QDir(out.filePath("slices")));
    return failed ? 1 : 0;
}
