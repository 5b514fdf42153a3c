#include "imageio/imgdata.h"
#include "phantom/phantom.h"
#include "phantom/phantomwriter.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

Q_DECLARE_METATYPE(PhantomWriter::Settings)
Q_DECLARE_METATYPE(PhantomWriter::Axis)
Q_DECLARE_METATYPE(SampleType)

namespace
{

// The small data set of most cases: 32 x 24 pixels, 20 projections, axis between two columns.
constexpr int Width = 32;
constexpr int Height = 24;
constexpr int Projections = 20;
constexpr double Cor = 15.5;
constexpr double Origin = 10.0;
constexpr double Exposure = 0.25;

PhantomWriter::Settings smallSet(const QString& outDir)
{
    PhantomWriter::Settings s;
    s.outDir = outDir;
    s.width = Width;
    s.height = Height;
    s.projections = Projections;
    s.origin = Origin;
    s.cor = Cor;
    s.exposure = Exposure;
    return s;
}

PhantomWriter::Settings changed(const std::function<void(PhantomWriter::Settings&)>& change)
{
    PhantomWriter::Settings s = smallSet({});
    change(s);
    return s;
}

struct Image {
    bool ok = false;
    int width = 0;
    int height = 0;
    int frames = 0;
    double expTime = 0.0;
    std::vector<double> pixels;

    double at(int column, int row) const { return pixels[size_t(row) * width + column]; }
};

Image readImage(const QString& fileName, int frame = 0)
{
    Image image;
    auto img = ImgData::createImgData(ImgData::fileType(fileName));
    if (!img)
        return image;
    img->fileName = fileName;
    if (!img->load(frame))
        return image;
    image.width = img->width;
    image.height = img->height;
    image.frames = img->frameCount;
    image.expTime = img->expTime;
    image.pixels.resize(size_t(image.width) * image.height);
    for (int r = 0; r < image.height; ++r)
        img->row(r, image.pixels.data() + size_t(r) * image.width);
    image.ok = true;
    return image;
}

QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray itexComment(const QString& fileName)
{
    const QByteArray bytes = contents(fileName);
    if (bytes.size() < 64)
        return {};
    return bytes.mid(64, qFromLittleEndian<quint16>(bytes.constData() + 2));
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

double sliceY(int v, int slices)
{
    return v + 0.5 - slices / 2.0;
}

double angle(int k)
{
    return qDegreesToRadians(Origin + k * 180.0 / Projections);
}

bool writeSet(const PhantomWriter::Settings& s)
{
    QString error;
    const bool ok = PhantomWriter(s).write(&error);
    if (!ok)
        qWarning() << error;
    return ok;
}

} // namespace

class tst_phantom : public QObject
{
    Q_OBJECT
private slots:
    void projectionIsLineIntegral_data();
    void projectionIsLineIntegral();
    void standardPhantomFitsTheView_data();
    void standardPhantomFitsTheView();
    void roundTrip_data();
    void roundTrip();
    void truthHoldsDensities();
    void horizontalAxisTransposes();
    void imgLayoutMatchesHis();
    void writesAreRepeatable();
    void refusesInvalidSettings_data();
    void refusesInvalidSettings();
    void reportsUnwritableDirectory();
    void failureRemovesWrittenFiles();
};

void tst_phantom::projectionIsLineIntegral_data()
{
    QTest::addColumn<bool>("standard");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("s");
    QTest::addColumn<bool>("hits");

    // Standard phantom of radius 40 and half height 30: the body reaches 32 in X, 27 in Y.
    for (const double degrees : {0.0, 30.0, 90.0, 135.0}) {
        const auto row = [&](const char* what, double y, double s, bool hits) {
            QTest::addRow("standard %s %g deg", what, degrees) << true << y << degrees << s << hits;
        };
        row("centre", 0.0, 0.0, true);
        row("lower half", -6.0, 7.3, true);
        row("upper half", 12.0, -4.6, true);
        row("near the bottom", -20.0, -15.0, true);
        row("above the body", 28.0, 0.0, false);
        row("beside the body", 0.0, 33.0, false);
    }
    // One ellipsoid at (3, -2, 5), semi-axes 12, 4, 10, turned by 30 degrees.
    const struct {
        double degrees;
        double centre; // 3 cos(theta) - 5 sin(theta)
    } lines[] = {{0.0, 3.0}, {30.0, 0.098}, {90.0, -5.0}, {135.0, -5.657}};
    for (const auto& line : lines) {
        const auto row = [&](const char* what, double y, double s, bool hits) {
            QTest::addRow("rotated %s %g deg", what, line.degrees)
                << false << y << line.degrees << s << hits;
        };
        row("middle", -2.0, line.centre + 3.0, true);
        row("upper half", 5.0, line.centre - 2.5, true);
        row("beyond its end", 5.0, line.centre + 12.0, false);
        row("above it", 8.5, line.centre, false);
    }
}

void tst_phantom::projectionIsLineIntegral()
{
    QFETCH(bool, standard);
    QFETCH(double, y);
    QFETCH(double, degrees);
    QFETCH(double, s);
    QFETCH(bool, hits);

    const Phantom phantom =
        standard ? Phantom::standard(40.0, 30.0)
                 : Phantom({{3.0, -2.0, 5.0, 12.0, 4.0, 10.0, qDegreesToRadians(30.0), 0.7}});
    const double theta = qDegreesToRadians(degrees);
    // Points s (cos, -sin) + t (sin, cos) lie on X cos - Z sin = s; |t| <= 50 covers the object.
    const double h = 1e-3;
    const int steps = 100000;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double t = -50.0 + (i + 0.5) * h;
        const double x = s * std::cos(theta) + t * std::sin(theta);
        const double z = -s * std::sin(theta) + t * std::cos(theta);
        sum += phantom.density(x, y, z);
    }
    const double numeric = sum * h;
    // The midpoint rule misses at most h of each ellipsoid's chord.
    double bound = 1e-9;
    for (const Phantom::Ellipsoid& e : phantom.ellipsoids())
        bound += h * std::abs(e.rho);

    QCOMPARE(numeric > 0.0, hits);
    const double analytic = phantom.projection(y, theta, s);
    QVERIFY2(std::abs(analytic - numeric) <= bound,
             qPrintable(QStringLiteral("analytic %1, numeric %2").arg(analytic).arg(numeric)));
}

void tst_phantom::standardPhantomFitsTheView_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("cor");
    QTest::addColumn<PhantomWriter::Axis>("axis");

    QTest::newRow("small, axis between columns")
        << 32 << 24 << 15.5 << PhantomWriter::Axis::Vertical;
    QTest::newRow("default size") << 256 << 256 << 128.0 << PhantomWriter::Axis::Vertical;
    QTest::newRow("axis off-centre") << 100 << 40 << 30.25 << PhantomWriter::Axis::Vertical;
    QTest::newRow("horizontal axis") << 40 << 100 << 70.0 << PhantomWriter::Axis::Horizontal;
}

// Everything lies inside the circle the reconstruction sees and between the outer slices, and
// the most absorbing ray absorbs about 1 whatever the size.
void tst_phantom::standardPhantomFitsTheView()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, cor);
    QFETCH(PhantomWriter::Axis, axis);

    PhantomWriter::Settings s;
    s.width = width;
    s.height = height;
    s.cor = cor;
    s.axis = axis;
    const PhantomWriter writer(s);
    QCOMPARE(writer.check(), QString());
    const bool vertical = axis == PhantomWriter::Axis::Vertical;
    const int line = vertical ? width : height;
    const int slices = vertical ? height : width;
    const double radius = std::min(cor, line - 1 - cor) - 2.0;
    const Phantom phantom = writer.phantom();

    double outside = 0.0;
    double most = 0.0;
    std::vector<double> rays(line);
    for (int k = 0; k < 360; ++k) {
        const double theta = qDegreesToRadians(double(k));
        for (int v = 0; v < slices; ++v) {
            const double y = sliceY(v, slices);
            outside += phantom.projection(y, theta, -radius) + phantom.projection(y, theta, radius);
            phantom.projectionRow(y, theta, -cor, line, rays.data());
            most = std::max(most, *std::max_element(rays.begin(), rays.end()));
        }
        for (const double y : {-slices / 2.0, slices / 2.0}) {
            phantom.projectionRow(y, theta, -cor, line, rays.data());
            outside += *std::max_element(rays.begin(), rays.end());
        }
    }
    QVERIFY2(outside == 0.0, qPrintable(QString::number(outside)));
    QVERIFY2(most > 0.9 && most < 1.1, qPrintable(QString::number(most)));
}

void tst_phantom::roundTrip_data()
{
    QTest::addColumn<SampleType>("type");
    QTest::addColumn<double>("i0");
    QTest::addColumn<double>("bg");
    QTest::addColumn<double>("rounding");

    QTest::newRow("u8") << SampleType::U8 << 200.0 << 5.0 << 0.5;
    QTest::newRow("s16") << SampleType::S16 << 30000.0 << 100.0 << 0.5;
    QTest::newRow("u16") << SampleType::U16 << 30000.0 << 100.0 << 0.5;
    QTest::newRow("s32") << SampleType::S32 << 30000.0 << 100.0 << 0.5;
    QTest::newRow("f32") << SampleType::F32 << 30000.0 << 100.0 << 30100.0 * std::ldexp(1.0, -24);
}

// The stored counts give back the analytic projections: ln((I0 - BG) / (raw - BG)) = p.
void tst_phantom::roundTrip()
{
    QFETCH(SampleType, type);
    QFETCH(double, i0);
    QFETCH(double, bg);
    QFETCH(double, rounding);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    PhantomWriter::Settings s = smallSet(tmp.filePath("new/set"));
    s.pixelType = type;
    QVERIFY(writeSet(s));
    QCOMPARE(filesIn(s.outDir),
             (QStringList{"BG.img", "I0.img", "phantom.his", "phantom.txt", "truth.his"}));

    const Image dark = readImage(tmp.filePath("new/set/BG.img"));
    const Image open = readImage(tmp.filePath("new/set/I0.img"));
    for (const Image* image : {&dark, &open}) {
        QVERIFY(image->ok);
        QCOMPARE(image->width, Width);
        QCOMPARE(image->height, Height);
        QCOMPARE(image->frames, 1);
        QCOMPARE(image->expTime, Exposure);
    }
    QVERIFY(std::all_of(dark.pixels.begin(), dark.pixels.end(),
                        [&](double value) { return value == bg; }));
    const auto [lowest, highest] = std::minmax_element(open.pixels.begin(), open.pixels.end());
    QVERIFY(*lowest >= bg + 0.9 * i0 - rounding);
    QVERIFY(*highest <= bg + i0 + rounding);
    QVERIFY2(*highest - *lowest > 0.05 * i0, "the open beam should be shaded");

    const Phantom phantom = PhantomWriter(s).phantom();
    double worst = 0.0;
    double most = 0.0;
    for (int k = 0; k < Projections; ++k) {
        const Image raw = readImage(tmp.filePath("new/set/phantom.his"), k);
        QVERIFY(raw.ok);
        QCOMPARE(raw.width, Width);
        QCOMPARE(raw.height, Height);
        QCOMPARE(raw.frames, Projections);
        QCOMPARE(raw.expTime, Exposure);
        for (int v = 0; v < Height; ++v) {
            for (int u = 0; u < Width; ++u) {
                const double p = phantom.projection(sliceY(v, Height), angle(k), u - Cor);
                const double beam = open.at(u, v) - dark.at(u, v);
                const double left = raw.at(u, v) - dark.at(u, v);
                // Each stored count is off by at most `rounding`.
                const double bound = 2.0 * rounding * (1.0 / beam + 1.0 / left) + 1e-12;
                worst = std::max(worst, std::abs(std::log(beam / left) - p) / bound);
                most = std::max(most, p);
            }
        }
    }
    QVERIFY2(worst <= 1.0, qPrintable(QStringLiteral("error %1 times the bound").arg(worst)));
    QVERIFY2(most > 0.5, "the rays should cross the phantom");
}

void tst_phantom::truthHoldsDensities()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const PhantomWriter::Settings s = smallSet(tmp.path());
    QVERIFY(writeSet(s));
    const QString fileName = tmp.filePath("truth.his");
    QVERIFY(itexComment(fileName).contains("Prop_AxisPosition=15.5,"));

    const Phantom phantom = PhantomWriter(s).phantom();
    int mismatches = 0;
    QSet<double> values;
    for (int v = 0; v < Height; ++v) {
        const Image truth = readImage(fileName, v);
        QVERIFY(truth.ok);
        QCOMPARE(truth.width, Width);
        QCOMPARE(truth.height, Width);
        QCOMPARE(truth.frames, Height);
        for (int z = 0; z < Width; ++z) {
            for (int x = 0; x < Width; ++x) {
                const double expected = phantom.density(x - Cor, sliceY(v, Height), z - Cor);
                mismatches += truth.at(x, z) != double(float(expected));
                values.insert(truth.at(x, z));
            }
        }
    }
    QCOMPARE(mismatches, 0);
    QVERIFY2(values.size() >= 4, "the slices should cross several ellipsoids");
}

void tst_phantom::horizontalAxisTransposes()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const PhantomWriter::Settings vertical = smallSet(tmp.filePath("v"));
    PhantomWriter::Settings horizontal = smallSet(tmp.filePath("h"));
    horizontal.axis = PhantomWriter::Axis::Horizontal;
    horizontal.width = Height;
    horizontal.height = Width;
    QVERIFY(writeSet(vertical));
    QVERIFY(writeSet(horizontal));

    const auto compare = [&](const QString& name, int frame) {
        const Image v = readImage(tmp.filePath("v/" + name), frame);
        const Image h = readImage(tmp.filePath("h/" + name), frame);
        QVERIFY(v.ok && h.ok);
        QCOMPARE(h.width, Height);
        QCOMPARE(h.height, Width);
        QCOMPARE(h.frames, v.frames);
        for (int row = 0; row < Height; ++row)
            for (int column = 0; column < Width; ++column)
                QCOMPARE(h.at(row, column), v.at(column, row));
    };
    for (int k = 0; k < Projections; ++k)
        compare("phantom.his", k);
    compare("I0.img", 0);
    compare("BG.img", 0);
    QCOMPARE(contents(tmp.filePath("h/truth.his")), contents(tmp.filePath("v/truth.his")));
}

void tst_phantom::imgLayoutMatchesHis()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const PhantomWriter::Settings his = smallSet(tmp.filePath("his"));
    PhantomWriter::Settings img = smallSet(tmp.filePath("img"));
    img.layout = PhantomWriter::Layout::Img;
    QVERIFY(writeSet(his));
    QVERIFY(writeSet(img));

    QStringList projections;
    for (int k = 0; k < Projections; ++k)
        projections << QStringLiteral("phantom_%1.img").arg(k, 5, 10, QLatin1Char('0'));
    QStringList expected =
        projections + QStringList{"BG.img", "I0.img", "phantom.txt", "truth.his"};
    expected.sort();
    QCOMPARE(filesIn(img.outDir), expected);

    for (int k = 0; k < Projections; ++k) {
        const Image one = readImage(tmp.filePath(QStringLiteral("img/") + projections[k]));
        const Image frame = readImage(tmp.filePath("his/phantom.his"), k);
        QVERIFY(one.ok && frame.ok);
        QCOMPARE(one.frames, 1);
        QCOMPARE(one.width, Width);
        QCOMPARE(one.height, Height);
        QCOMPARE(one.expTime, Exposure);
        QVERIFY(one.pixels == frame.pixels);
    }
    for (const char* name : {"I0.img", "BG.img", "truth.his"})
        QCOMPARE(contents(tmp.filePath(QStringLiteral("img/") + name)),
                 contents(tmp.filePath(QStringLiteral("his/") + name)));
}

void tst_phantom::writesAreRepeatable()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeSet(smallSet(tmp.filePath("first"))));
    QVERIFY(writeSet(smallSet(tmp.filePath("second"))));
    const QStringList names = filesIn(tmp.filePath("first"));
    QCOMPARE(filesIn(tmp.filePath("second")), names);
    for (const QString& name : names) {
        const QByteArray first = contents(tmp.filePath("first/" + name));
        QVERIFY(!first.isEmpty());
        QCOMPARE(contents(tmp.filePath("second/" + name)), first);
    }
}

void tst_phantom::refusesInvalidSettings_data()
{
    using S = PhantomWriter::Settings;
    QTest::addColumn<PhantomWriter::Settings>("settings");
    QTest::addColumn<QString>("reason");

    QTest::newRow("width 1") << changed([](S& s) { s.width = 1; }) << "size";
    QTest::newRow("height 65536") << changed([](S& s) { s.height = 65536; }) << "size";
    QTest::newRow("no projections") << changed([](S& s) { s.projections = 0; }) << "projections";
    QTest::newRow("65536 projections")
        << changed([](S& s) { s.projections = 65536; }) << "projections";
    QTest::newRow("infinite range") << changed([](S& s) { s.range = qInf(); }) << "angle range";
    QTest::newRow("axis left of column 1") << changed([](S& s) { s.cor = 0.5; }) << "axis";
    QTest::newRow("axis right of column W-2") << changed([](S& s) { s.cor = 30.5; }) << "axis";
    QTest::newRow("axis beyond row H-2 of a horizontal axis") << changed([](S& s) {
        s.axis = PhantomWriter::Axis::Horizontal;
        s.cor = 23.0;
    }) << "axis";
    QTest::newRow("axis too near an edge for the phantom")
        << changed([](S& s) { s.cor = 2.5; }) << "no room";
    QTest::newRow("s8 pixels") << changed([](S& s) { s.pixelType = SampleType::S8; })
                               << "pixel type";
    QTest::newRow("f64 pixels") << changed([](S& s) { s.pixelType = SampleType::F64; })
                                << "pixel type";
    QTest::newRow("no pixel type")
        << changed([](S& s) { s.pixelType = SampleType::None; }) << "pixel type";
    QTest::newRow("u8 overflow") << changed([](S& s) {
        s.pixelType = SampleType::U8;
        s.i0 = 251.0;
    }) << "largest u8";
    QTest::newRow("s16 overflow") << changed([](S& s) {
        s.pixelType = SampleType::S16;
        s.i0 = 32700.0;
    }) << "largest s16";
    QTest::newRow("no open beam") << changed([](S& s) { s.i0 = 0.0; }) << "counts";
    QTest::newRow("negative dark") << changed([](S& s) { s.bg = -1.0; }) << "counts";
    QTest::newRow("no exposure") << changed([](S& s) { s.exposure = 0.0; }) << "exposure";
    QTest::newRow("empty name") << changed([](S& s) { s.name.clear(); }) << "name";
    QTest::newRow("name with a slash") << changed([](S& s) { s.name = "a/b"; }) << "name";
    QTest::newRow("name of the truth file")
        << changed([](S& s) { s.name = "Truth"; }) << "truth.his";
}

void tst_phantom::refusesInvalidSettings()
{
    QFETCH(PhantomWriter::Settings, settings);
    QFETCH(QString, reason);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    settings.outDir = tmp.filePath("set");
    QString error;
    QVERIFY(!PhantomWriter(settings).write(&error));
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    QCOMPARE(filesIn(tmp.path()), QStringList());
}

void tst_phantom::reportsUnwritableDirectory()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QFile blocker(tmp.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QString error;
    QVERIFY(!PhantomWriter(smallSet(tmp.filePath("blocker/set"))).write(&error));
    QVERIFY2(error.contains("blocker/set"), qPrintable(error));
    QCOMPARE(filesIn(tmp.path()), QStringList{"blocker"});
}

// A directory in the way of the truth file fails the write after the projections, I0 and BG.
void tst_phantom::failureRemovesWrittenFiles()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkdir("truth.his"));

    QString error;
    QVERIFY(!PhantomWriter(smallSet(tmp.path())).write(&error));
    QVERIFY2(error.contains("truth.his"), qPrintable(error));
    QCOMPARE(filesIn(tmp.path()), QStringList{"truth.his"});
}

QTEST_MAIN(tst_phantom)
#include "tst_phantom.moc"
