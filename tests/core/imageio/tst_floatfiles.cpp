#include "imageio/floattiff.h"
#include "imageio/h5volume.h"
#include "recon/slicefiles.h"
#include "testfile.h"

#include <QTest>

#include <hdf5.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/resource.h>

Q_DECLARE_METATYPE(FbpRegion)

namespace
{

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Distinct values per slice, with the bit patterns a text or a conversion would lose: NaN,
// infinity, -0, a subnormal.
std::shared_ptr<SliceFloats> pattern(int width, int height, int seed)
{
    auto s = std::make_shared<SliceFloats>(SliceFloats{seed, -seed, width, height, {}});
    for (int i = 0; i < width * height; ++i)
        s->values.push_back(float(seed * 1000 + i) / 7.0f);
    const float special[] = {NAN, INFINITY, -0.0f, std::numeric_limits<float>::denorm_min()};
    for (size_t i = 0; i < 4; ++i)
        s->values[i * 3 % s->values.size()] = special[i];
    return s;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

struct TiffPage {
    QByteArray format; // "width height bits sample-format samples photometric"
    QByteArray description, name;
    std::vector<float> values;
};

// Every page of a TIFF file, read with libtiff alone.
QList<TiffPage> readTiff(const QString& path)
{
    QList<TiffPage> pages;
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    for (bool more = tif; more; more = TIFFReadDirectory(tif)) {
        uint32_t width = 0, height = 0;
        uint16_t bits = 0, format = 0, samples = 0, photometric = 0;
        char* text = nullptr;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        TiffPage p;
        p.format = QString::asprintf("%u %u %u %u %u %u", width, height, bits, format, samples,
                                     photometric)
                       .toLatin1();
        if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text))
            p.description = text;
        if (TIFFGetField(tif, TIFFTAG_PAGENAME, &text))
            p.name = text;
        p.values.resize(size_t(width) * height);
        for (uint32_t row = 0; row < height; ++row)
            TIFFReadScanline(tif, p.values.data() + size_t(row) * width, row);
        pages << p;
    }
    if (tif)
        TIFFClose(tif);
    return pages;
}

// Any numeric attribute, converted by HDF5 to double; empty when there is none.
std::vector<double> attribute(hid_t object, const char* name)
{
    if (H5Aexists(object, name) <= 0)
        return {};
    const hid_t a = H5Aopen(object, name, H5P_DEFAULT);
    const hid_t space = H5Aget_space(a);
    std::vector<double> values(size_t(H5Sget_simple_extent_npoints(space)));
    H5Aread(a, H5T_NATIVE_DOUBLE, values.data());
    H5Sclose(space);
    H5Aclose(a);
    return values;
}

// Lowers the file size limit for its lifetime, so a write fails part-way for any user.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

} // namespace

class tst_floatfiles : public QObject
{
    Q_OBJECT

private slots:
    void sliceFloats_data();
    void sliceFloats();
    void tiffSlice_data();
    void tiffSlice();
    void tiffStack_data();
    void tiffStack();
    void h5Volume_data();
    void h5Volume();
    void failures_data();
    void failures();
};

void tst_floatfiles::sliceFloats_data()
{
    QTest::addColumn<FbpRegion>("region");
    QTest::addColumn<int>("n");

    QTest::newRow("whole result") << FbpRegion{0, 0, 5, 5} << 5;
    QTest::newRow("fractional: start truncated, end up") << FbpRegion{0.5, 1.5, 3.2, 4} << 5;
    QTest::newRow("beyond the result counts as 0") << FbpRegion{-2, -1, 7, 6} << 5;
    QTest::newRow("no result: all 0") << FbpRegion{0, 0, 3, 2} << 0;
    QTest::newRow("empty region") << FbpRegion{2, 2, 2, 4} << 5;
}

// Against a plain loop over the region, and against the data text for the pixel set.
void tst_floatfiles::sliceFloats()
{
    QFETCH(FbpRegion, region);
    QFETCH(int, n);

    std::vector<double> result(size_t(n) * size_t(n));
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = (i % 3 ? 1.0 : -1.0) * std::pow(10.0, double(i % 90) - 45) / 3;
    const SliceFloats f = SliceFiles::sliceFloats(result, n, region);

    std::vector<float> expected;
    QByteArray pixels;
    for (int z = int(region.z0); z < region.z1; ++z) {
        for (int x = int(region.x0); x < region.x1; ++x) {
            const bool inside = x >= 0 && x < n && z >= 0 && z < n;
            expected.push_back(inside ? float(result[size_t(z) * n + x]) : 0.0f);
            pixels += QByteArray::number(x) + '\t' + QByteArray::number(z) + '\n';
        }
    }
    QVERIFY(sameBits(f.values, expected));
    QByteArray floatPixels;
    for (int z = 0; z < f.height; ++z)
        for (int x = 0; x < f.width; ++x)
            floatPixels +=
                QByteArray::number(f.x0 + x) + '\t' + QByteArray::number(f.z0 + z) + '\n';
    QCOMPARE(floatPixels, pixels);

    QByteArray textPixels;
    for (const QByteArray& line : SliceFiles::sliceText(result, n, region, 0, 0, 0).split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            textPixels += line.left(line.lastIndexOf('\t')) + '\n';
    QCOMPARE(textPixels, pixels);
}

void tst_floatfiles::tiffSlice_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("cor");
    QTest::addColumn<double>("energy");
    QTest::addColumn<QByteArray>("description");

    const QByteArray head = "Cirvo slice\nslice=12\nx0=3\nz0=-3\n";
    QTest::newRow("tiny, nothing known") << 2 << 2 << NaN << NaN << head;
    QTest::newRow("odd size, cor known") << 37 << 23 << 18.25 << NaN << head + "cor=18.25\n";
    QTest::newRow("several strips, cor not exact in decimal")
        << 600 << 900 << 0.1 << 7112.5 << head + "cor=0.10000000000000001\nenergy_eV=7112.5\n";
    QTest::newRow("rows wider than a strip")
        << 300000 << 2 << NaN << -1.0 << head + "energy_eV=-1\n";
}

void tst_floatfiles::tiffSlice()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, cor);
    QFETCH(double, energy);
    QFETCH(QByteArray, description);

    QTemporaryDir tmp;
    const QString target = tmp.filePath("s-E01-00012.tif");
    QVERIFY(QFile(target).open(QIODevice::WriteOnly)); // an old file is replaced
    const auto floats = pattern(width, height, 3);
    QString error;
    QVERIFY2(FloatTiff::writeSlice(target, *floats, {"s-E01-00012", 12, cor, energy}, error),
             qPrintable(error));

    const QList<TiffPage> pages = readTiff(target);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].format, QString::asprintf("%d %d 32 3 1 1", width, height).toLatin1());
    QCOMPARE(pages[0].description, description);
    QCOMPARE(pages[0].name, QByteArray("s-E01-00012"));
    QVERIFY(sameBits(pages[0].values, floats->values));
    QCOMPARE(filesBelow(tmp.path()), QStringList{"s-E01-00012.tif"});
}

void tst_floatfiles::tiffStack_data()
{
    QTest::addColumn<QList<int>>("arrivals");
    QTest::addColumn<qint64>("maxHeld");
    QTest::addColumn<QList<int>>("pages");

    const qint64 all = FloatTiff::Stack::DefaultMaxHeldBytes;
    const QList<int> five{0, 1, 2, 3, 4};
    QTest::newRow("in order") << five << all << five;
    QTest::newRow("reversed: all held") << QList<int>{4, 3, 2, 1, 0} << all << five;
    QTest::newRow("pool of workers") << QList<int>{1, 0, 3, 4, 2} << all << five;
    QTest::newRow("missing slice: the rest kept")
        << QList<int>{0, 4, 1, 3} << all << QList<int>{0, 1, 3, 4};
    QTest::newRow("twice and out of range refused")
        << QList<int>{0, 0, 5, -1, 2, 1, 2} << all << QList<int>{0, 1, 2};
    QTest::newRow("hold limit skips the gap, late slice refused")
        << QList<int>{1, 2, 0, 3} << qint64(6 * 4 * 4) << QList<int>{1, 2, 3};
}

void tst_floatfiles::tiffStack()
{
    QFETCH(QList<int>, arrivals);
    QFETCH(qint64, maxHeld);
    QFETCH(QList<int>, pages);

    QTemporaryDir tmp;
    const QString target = tmp.filePath("s-E01.tif");
    FloatTiff::Stack stack(target, 5, maxHeld);
    QVERIFY(stack.open());
    QList<int> accepted;
    for (int i : arrivals) {
        if (stack.add(i, pattern(6, 4, i), {QString::number(i), 100 + i, NaN, NaN}))
            accepted << i;
        QVERIFY(!stack.failed());
    }
    std::sort(accepted.begin(), accepted.end());
    QCOMPARE(accepted, pages);
    QVERIFY(!QFile::exists(target));
    QVERIFY2(stack.finish(), qPrintable(stack.error()));

    const QList<TiffPage> read = readTiff(target);
    QCOMPARE(read.size(), pages.size());
    for (int i = 0; i < pages.size(); ++i) {
        QVERIFY(sameBits(read[i].values, pattern(6, 4, pages[i])->values));
        QVERIFY(read[i].description.contains("slice=" + QByteArray::number(100 + pages[i])));
    }
    QCOMPARE(filesBelow(tmp.path()), QStringList{"s-E01.tif"});
}

void tst_floatfiles::h5Volume_data()
{
    QTest::addColumn<QList<int>>("arrivals");
    QTest::addColumn<int>("angles");
    QTest::addColumn<double>("energy");

    QTest::newRow("any order, energy known") << QList<int>{2, 0, 3, 1} << 180 << 7112.0;
    QTest::newRow("missing slice reads NaN, energy unknown") << QList<int>{3, 0} << 180 << NaN;
    QTest::newRow("more angles than a compact attribute holds")
        << QList<int>{0, 1, 2, 3} << 20000 << 8000.5;
}

void tst_floatfiles::h5Volume()
{
    QFETCH(QList<int>, arrivals);
    QFETCH(int, angles);
    QFETCH(double, energy);

    QTemporaryDir tmp;
    const QString target = tmp.filePath("s-E01.h5");
    H5Volume::Info info{{40, 41, 42, 43}, 511.75, {}, energy};
    for (int i = 0; i < angles; ++i)
        info.anglesDeg << i * 180.0 / angles;
    H5Volume volume(target, info);
    QVERIFY(volume.open());
    for (int i : arrivals)
        QVERIFY2(volume.write(i, *pattern(7, 5, i)), qPrintable(volume.error()));
    QVERIFY(!volume.write(arrivals.first(), *pattern(7, 5, 0))); // twice
    QVERIFY(!volume.write(4, *pattern(7, 5, 0)));                // out of range
    QVERIFY(!volume.write(1, *pattern(5, 7, 0)));                // another size
    QVERIFY(!volume.failed());
    QVERIFY(!QFile::exists(target));
    QVERIFY2(volume.finish(), qPrintable(volume.error()));
    QCOMPARE(filesBelow(tmp.path()), QStringList{"s-E01.h5"});
    // The same slices in index order give the same bytes: the order a pool delivers them in
    // must not show in the file.
    {
        QList<int> sorted = arrivals;
        std::sort(sorted.begin(), sorted.end());
        H5Volume ordered(tmp.filePath("ordered.h5"), info);
        QVERIFY(ordered.open());
        for (int i : sorted) {
            // One region for the whole data set, as a run gives it.
            SliceFloats floats = *pattern(7, 5, i);
            floats.x0 = arrivals.first();
            floats.z0 = -arrivals.first();
            QVERIFY(ordered.write(i, floats));
        }
        QVERIFY(ordered.finish());
        QCOMPARE(fileBytes(tmp.filePath("ordered.h5")), fileBytes(target));
        QFile::remove(tmp.filePath("ordered.h5"));
    }

    const hid_t file = H5Fopen(QFile::encodeName(target).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
    const hid_t ds = H5Dopen2(file, "/slices", H5P_DEFAULT);
    const hid_t space = H5Dget_space(ds);
    const hid_t create = H5Dget_create_plist(ds);
    hsize_t dims[3] = {}, chunk[3] = {};
    H5Sget_simple_extent_dims(space, dims, nullptr);
    H5Pget_chunk(create, 3, chunk);
    std::vector<float> all(4 * 5 * 7);
    H5Dread(ds, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, all.data());
    QCOMPARE(attribute(ds, "slice_numbers"), (std::vector<double>{40, 41, 42, 43}));
    QCOMPARE(attribute(ds, "centre_of_rotation"), std::vector<double>{511.75});
    QCOMPARE(attribute(ds, "angles_deg"),
             std::vector<double>(info.anglesDeg.begin(), info.anglesDeg.end()));
    QCOMPARE(attribute(ds, "energy_eV"),
             std::isnan(energy) ? std::vector<double>{} : std::vector<double>{energy});
    // The region of the first slice to come; all slices of a data set share it.
    QCOMPARE(attribute(ds, "region_origin"),
             (std::vector<double>{double(arrivals.first()), -double(arrivals.first())}));
    const std::vector<double> present = attribute(ds, "slice_present");
    H5Pclose(create);
    H5Sclose(space);
    H5Dclose(ds);
    H5Fclose(file);

    QCOMPARE(QList<hsize_t>(dims, dims + 3), (QList<hsize_t>{4, 5, 7}));
    QCOMPARE(QList<hsize_t>(chunk, chunk + 3), (QList<hsize_t>{1, 5, 7}));
    QCOMPARE(present.size(), size_t(4));
    for (int i = 0; i < 4; ++i) {
        const std::vector<float> got(all.begin() + i * 35, all.begin() + (i + 1) * 35);
        const bool came = arrivals.contains(i);
        QVERIFY(came ? sameBits(got, pattern(7, 5, i)->values)
                     : std::all_of(got.begin(), got.end(), [](float v) { return std::isnan(v); }));
        QCOMPARE(present[size_t(i)], double(came));
    }
}

void tst_floatfiles::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fault");

    for (const char* kind : {"slice", "stack", "h5"}) {
        QTest::addRow("%s: directory is a file", kind) << kind << "parent is a file";
        QTest::addRow("%s: disk full", kind) << kind << "file size limit";
        if (QByteArray(kind) != "slice") {
            QTest::addRow("%s: aborted", kind) << kind << "abort";
            QTest::addRow("%s: no slice arrived", kind) << kind << "no slice";
        }
    }
}

// Every way of not finishing leaves the directory as it was, an old target included.
void tst_floatfiles::failures()
{
    QFETCH(QString, kind);
    QFETCH(QString, fault);

    QTemporaryDir tmp;
    const QString old = tmp.filePath("s-E01.out");
    QVERIFY(QFile(old).open(QIODevice::WriteOnly));
    const QString target = fault == "parent is a file" ? old + "/s-E01.out" : old;
    const auto floats = pattern(100, 100, 1);
    QString error;
    bool done = false;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (fault == "file size limit")
            limit = std::make_unique<FileSizeLimit>(4096);
        const bool add = fault != "no slice";
        if (kind == "slice") {
            done = FloatTiff::writeSlice(target, *floats, {}, error);
        } else if (kind == "stack") {
            FloatTiff::Stack stack(target, 3);
            done = stack.open() && (!add || stack.add(0, floats, {})) && fault != "abort" &&
                   stack.finish();
            error = stack.error();
        } else {
            H5Volume volume(target, {{1, 2, 3}, 0, {}, NaN});
            done = volume.open() && (!add || volume.write(0, *floats)) && fault != "abort" &&
                   volume.finish();
            error = volume.error();
        }
    }
    QVERIFY(!done);
    QCOMPARE(error.isEmpty(), fault == "abort");
    QCOMPARE(filesBelow(tmp.path()), QStringList{"s-E01.out"});
    QCOMPARE(QFileInfo(old).size(), 0);
}

QTEST_GUILESS_MAIN(tst_floatfiles)
#include "tst_floatfiles.moc"
