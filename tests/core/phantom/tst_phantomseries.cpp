#include "imageio/i0fileset.h"
#include "imageio/imgdata.h"
#include "phantom/phantomseries.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

Q_DECLARE_METATYPE(PhantomSeries::Settings)

namespace
{

constexpr int Width = 24;
constexpr int Height = 8;
constexpr int Projections = 4;
constexpr double Cor = 12.0;
using L = PhantomSeries::Layout;
using S = PhantomSeries::Settings;

S smallSeries(const std::function<void(S&)>& change = {})
{
    S s;
    s.set.width = Width;
    s.set.height = Height;
    s.set.projections = Projections;
    if (change)
        change(s);
    return s;
}

// Fe K edge at 7112 eV: a step of 1 to 2.5 over about 2 eV; everything falls as E^-3.
double matrixFactor(double eV)
{
    return std::pow(7112.0 / eV, 3.0);
}

double cylinderFactor(double eV)
{
    return matrixFactor(eV) * (1.0 + 1.5 * (0.5 + std::atan((eV - 7112.0) / 2.0) / M_PI));
}

Phantom scaled(const Phantom& phantom, double cylinder, double others)
{
    std::vector<Phantom::Ellipsoid> ellipsoids = phantom.ellipsoids();
    for (size_t i = 0; i < ellipsoids.size(); ++i)
        ellipsoids[i].rho *= i == Phantom::Cylinder ? cylinder : others;
    return Phantom(ellipsoids);
}

// Frame `frame` of an image file, row by row; empty when it cannot be read.
std::vector<double> pixels(const QString& fileName, int frame = 0)
{
    auto img = ImgData::createImgData(ImgData::fileType(fileName));
    if (!img)
        return {};
    img->fileName = fileName;
    if (!img->load(frame))
        return {};
    std::vector<double> values(size_t(img->width) * img->height);
    for (int r = 0; r < img->height; ++r)
        img->row(r, values.data() + size_t(r) * img->width);
    return values;
}

QStringList lines(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly | QIODevice::Text)
               ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
               : QStringList();
}

// The entries under dir, relative, sorted.
QStringList tree(const QString& dir, QDir::Filters filters)
{
    QStringList names;
    QDirIterator it(dir, filters | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(dir).relativeFilePath(it.next());
    names.sort();
    return names;
}

QString numbered(int k, int width)
{
    return QStringLiteral("%1").arg(k, width, 10, QLatin1Char('0'));
}

} // namespace

class tst_phantomseries : public QObject
{
    Q_OBJECT
private slots:
    void writesSeries_data();
    void writesSeries();
    void refusesAndLeavesNothing_data();
    void refusesAndLeavesNothing();
};

void tst_phantomseries::writesSeries_data()
{
    QTest::addColumn<PhantomSeries::Settings>("settings");
    QTest::addColumn<QStringList>("texts"); // in rising energy order

    QTest::newRow("5 energies: Zeph numbers of 1 digit")
        << smallSeries() << QStringList{"7080eV", "7100eV", "7120eV", "7140eV", "7160eV"};
    QTest::newRow("12 energies given falling, one fractional: 2 digits, u8")
        << smallSeries([](S& s) {
               s.energies = {7160, 7150, 7140, 7130, 7120, 7112.5,
                             7110, 7100, 7090, 7080, 7070, 7060};
               s.set.pixelType = SampleType::U8;
           })
        << QStringList{"7060eV",   "7070eV", "7080eV", "7090eV", "7100eV", "7110eV",
                       "7112_5eV", "7120eV", "7130eV", "7140eV", "7150eV", "7160eV"};
    QTest::newRow("10 energies: number 10 is wider than its 1 digit, Zeph only, f32, no truth")
        << smallSeries([](S& s) {
               s.energies = {7000, 7010, 7020, 7030, 7040, 7050, 7060, 7070, 7080, 7090};
               s.layouts = L::Zeph;
               s.set.pixelType = SampleType::F32;
               s.set.truth = false;
           })
        << QStringList{"7000eV", "7010eV", "7020eV", "7030eV", "7040eV",
                       "7050eV", "7060eV", "7070eV", "7080eV", "7090eV"};
}

void tst_phantomseries::writesSeries()
{
    QFETCH(PhantomSeries::Settings, settings);
    QFETCH(QStringList, texts);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString out = tmp.filePath("out");
    settings.set.outDir = out;
    QString error;
    QVERIFY2(PhantomSeries(settings).write(&error), qPrintable(error));

    std::vector<double> rising = settings.energies;
    std::sort(rising.begin(), rising.end());
    const int n = int(rising.size());
    const int width = n < 1 ? 0 : int(std::ceil(std::log10(n)));
    const auto has = [&](L layout) { return settings.layouts.testFlag(layout); };
    struct Raw {
        QString file;
        int frame;
        int projection;
        int energy;
    };
    QList<Raw> raws;
    QStringList expected{"BG.img", "series.txt"};
    if (has(L::Zeph))
        expected << "zeph/phantom.meta";
    for (int i = 0; i < n; ++i) {
        const QString& t = texts[i];
        const QString zeph = "zeph/phantom_" + numbered(i + 1, width);
        expected << "i0/I0-" + t + "-001.img";
        if (has(L::Zeph))
            expected << zeph + "_I0.his";
        if (settings.set.truth)
            expected << "truth/truth-" + t + ".his";
        for (int k = 0; k < Projections; ++k) {
            if (has(L::Dirs))
                raws.append({"dirs/" + t + "/phantom_" + numbered(k, 5) + ".img", 0, k, i});
            if (has(L::Brel))
                raws.append({"brel/phantom-" + t + "-" + numbered(k, 5) + ".img", 0, k, i});
            if (has(L::Zeph))
                raws.append({zeph + ".his", k, k, i});
        }
        QCOMPARE(I0FileSet::energyFromName(out + "/i0/I0-" + t + "-001.img"), rising[i]);
    }
    for (const Raw& raw : std::as_const(raws))
        if (raw.frame == 0)
            expected << raw.file;
    expected.sort();
    QCOMPARE(tree(out, QDir::Files), expected);
    if (has(L::Dirs))
        QCOMPARE(QDir(out + "/dirs").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                 texts);

    if (has(L::Zeph)) {
        const QStringList meta = lines(out + "/zeph/phantom.meta");
        QCOMPARE(meta.size(), n + 1);
        QVERIFY(meta[0].startsWith(u'F'));
        for (int i = 0; i < n; ++i) {
            const QStringList items = meta[i + 1].split(u' ');
            QCOMPARE(items.size(), 3);
            QCOMPARE(items[0], QString::number(i + 1));
            QCOMPARE(items[1].toDouble() * 1000.0, rising[i]);
            QVERIFY2(!items[1].endsWith(u'0') && !items[1].endsWith(u'.'), "the shortest form");
            QCOMPARE(pixels(out + "/zeph/phantom_" + numbered(i + 1, width) + "_I0.his"),
                     pixels(out + "/i0/I0-" + texts[i] + "-001.img"));
        }
    }

    // The description's table: energy, text, I0 level, cylinder and other density factors.
    static const QRegularExpression row(
        QStringLiteral(R"(^\s+([0-9.]+)\s+(\S+eV)\s+([0-9.]+)\s+([0-9.]+)\s+([0-9.]+)$)"));
    QList<QRegularExpressionMatch> table;
    for (const QString& line : lines(out + "/series.txt"))
        if (const QRegularExpressionMatch m = row.match(line); m.hasMatch())
            table << m;
    QCOMPARE(table.size(), n);

    const std::vector<double> dark = pixels(out + "/BG.img");
    QVERIFY(!dark.empty());
    const double rounding = settings.set.pixelType == SampleType::F32 ? 0.01 : 0.5;
    const Phantom base = PhantomWriter(settings.set).phantom();
    std::vector<std::vector<double>> opens;
    for (int i = 0; i < n; ++i) {
        const double energy = rising[i];
        QCOMPARE(table[i].captured(1).toDouble(), energy);
        QCOMPARE(table[i].captured(2), texts[i]);
        const double cylinder = table[i].captured(4).toDouble();
        const double others = table[i].captured(5).toDouble();
        QVERIFY(std::abs(cylinder - cylinderFactor(energy)) < 1e-6);
        QVERIFY(std::abs(others - matrixFactor(energy)) < 1e-6);
        QVERIFY2(energy > 7100 || cylinder / others < 1.1, "below the edge");
        QVERIFY2(energy < 7120 || cylinder / others > 2.3, "above the edge");
        opens.push_back(pixels(out + "/i0/I0-" + texts[i] + "-001.img"));
        QCOMPARE(opens[i].size(), dark.size());
        // Pixel (0, 0) of the open beam is unshaded: BG + the level.
        QVERIFY(std::abs(opens[i][0] - dark[0] - table[i].captured(3).toDouble()) <=
                rounding + 0.05);

        // The truth holds the densities the table gives.
        const Phantom told = scaled(base, cylinder, others);
        for (int v = 0; settings.set.truth && v < Height; ++v) {
            const std::vector<double> slice = pixels(out + "/truth/truth-" + texts[i] + ".his", v);
            QCOMPARE(slice.size(), size_t(Width) * Width);
            for (size_t at = 0; at < slice.size(); ++at)
                QVERIFY(std::abs(slice[at] - told.density(double(at % Width) - Cor,
                                                          v + 0.5 - Height / 2.0,
                                                          double(at / Width) - Cor)) < 1e-6);
        }
    }

    // ln((I0 - BG) / (raw - BG)) with the I0 of the energy is the projection at that energy, to
    // within what the rounding of the counts allows.
    for (const Raw& raw : std::as_const(raws)) {
        const double energy = rising[raw.energy];
        const Phantom object = scaled(base, cylinderFactor(energy), matrixFactor(energy));
        const double theta = qDegreesToRadians(raw.projection * 180.0 / Projections);
        const std::vector<double> counts = pixels(out + "/" + raw.file, raw.frame);
        QCOMPARE(counts.size(), dark.size());
        for (size_t at = 0; at < counts.size(); ++at) {
            const double beam = opens[raw.energy][at] - dark[at];
            const double left = counts[at] - dark[at];
            const double p = object.projection(double(at / Width) + 0.5 - Height / 2.0, theta,
                                               double(at % Width) - Cor);
            QVERIFY2(std::abs(std::log(beam / left) - p) <=
                         2.0 * rounding * (1.0 / beam + 1.0 / left) + 1e-9,
                     qPrintable(QStringLiteral("%1 pixel %2").arg(raw.file).arg(at)));
        }
    }
    // Dividing by another energy's I0 would be off by 2 %, and by 15 % between neighbours.
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double a = opens[i][0] - dark[0];
            const double b = opens[j][0] - dark[0];
            QVERIFY2(std::min(a, b) / std::max(a, b) < (j == i + 1 ? 0.85 : 0.98),
                     qPrintable(QStringLiteral("%1 and %2").arg(a).arg(b)));
        }
    }
}

void tst_phantomseries::refusesAndLeavesNothing_data()
{
    QTest::addColumn<PhantomSeries::Settings>("settings");
    QTest::addColumn<QString>("blocker"); // a directory in the way of a file
    QTest::addColumn<QString>("reason");

    const auto energies = [](std::vector<double> list) {
        return smallSeries([=](S& s) { s.energies = list; });
    };
    QTest::newRow("no energies") << energies({}) << ""
                                 << "no energies";
    QTest::newRow("zero energy") << energies({7080, 0}) << ""
                                 << "positive";
    QTest::newRow("NaN energy") << energies({7080, qQNaN()}) << ""
                                << "finite";
    QTest::newRow("an energy twice") << energies({7080, 7100, 7080}) << ""
                                     << "twice";
    QTest::newRow("fewer digits sort after more") << energies({900, 7080}) << ""
                                                  << "sort";
    QTest::newRow("7080_5eV sorts before 7080eV") << energies({7080, 7080.5}) << ""
                                                  << "sort";
    QTest::newRow("no layout") << smallSeries([](S& s) { s.layouts = {}; }) << ""
                               << "no layout";
    QTest::newRow("a dot in the name cuts the Zeph base name")
        << smallSeries([](S& s) { s.set.name = "a.b"; }) << ""
        << "\"a.b\"";
    QTest::newRow("the brightest I0 overflows u8") << smallSeries([](S& s) {
        s.set.pixelType = SampleType::U8;
        s.set.i0 = 251.0;
    }) << ""
                                                   << "largest u8";
    QTest::newRow("the truth of the third energy is blocked")
        << smallSeries() << "truth/truth-7120eV.his"
        << "truth-7120eV.his";
    QTest::newRow("the last file is blocked") << smallSeries() << "series.txt"
                                              << "series.txt";
}

void tst_phantomseries::refusesAndLeavesNothing()
{
    QFETCH(PhantomSeries::Settings, settings);
    QFETCH(QString, blocker);
    QFETCH(QString, reason);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    settings.set.outDir = tmp.filePath("out");
    QStringList left;
    if (!blocker.isEmpty()) {
        QVERIFY(QDir().mkpath(tmp.filePath("out/" + blocker)));
        left = tree(tmp.path(), QDir::AllEntries);
    }
    QString error;
    QVERIFY(!PhantomSeries(settings).write(&error));
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    QCOMPARE(tree(tmp.path(), QDir::AllEntries), left);
}

QTEST_MAIN(tst_phantomseries)
#include "tst_phantomseries.moc"
