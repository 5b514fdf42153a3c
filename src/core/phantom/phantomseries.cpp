#include "phantomseries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace
{

const QString DarkFile = QStringLiteral("BG.img");
const QString DescriptionFile = QStringLiteral("series.txt");
const QString ImagePattern = QStringLiteral("*.img");

// Open-beam levels lie between 1 - Spread and 1 times the highest; steps of the golden ratio
// keep every level apart from all others, and neighbours 17 to 34 % apart.
constexpr double Spread = 0.45;
constexpr double GoldenStep = 0.6180339887498949;

QString num(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Plain decimals, never an exponent, so that a "-" or "+" never enters a file name.
QString decimal(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString failure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), reason);
}

// Makes the directory and its missing parents, appending each one made to `made`, parents
// first.
bool makePath(const QString& dir, QStringList& made)
{
    QStringList missing;
    for (QString path = QDir(dir).absolutePath(); !QFileInfo::exists(path);) {
        missing.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    for (const QString& path : std::as_const(missing)) {
        if (!QDir().mkdir(path))
            return false;
        made << path;
    }
    return true;
}

} // namespace

PhantomSeries::PhantomSeries(const Settings& settings)
    : m_settings(settings), m_energies(settings.energies)
{
    if (std::all_of(m_energies.begin(), m_energies.end(),
                    [](double e) { return std::isfinite(e); }))
        std::sort(m_energies.begin(), m_energies.end());
}

QString PhantomSeries::check() const
{
    const Settings& s = m_settings;
    if (s.energies.empty())
        return QStringLiteral("no energies");
    for (const double energy : s.energies)
        if (!(energy > 0.0) || !std::isfinite(energy))
            return QStringLiteral("the energy %1 eV is not a positive finite number").arg(energy);
    for (size_t i = 1; i < m_energies.size(); ++i) {
        if (m_energies[i] == m_energies[i - 1])
            return QStringLiteral("the energy %1 eV is given twice").arg(num(m_energies[i]));
        const QString lower = energyText(m_energies[i - 1]);
        const QString higher = energyText(m_energies[i]);
        if (QString::compare(lower, higher) >= 0)
            return QStringLiteral("the names %1 and %2 would list %3 eV after %4 eV: names sort "
                                  "by text, so give energies of as many digits")
                .arg(lower, higher, num(m_energies[i - 1]), num(m_energies[i]));
    }
    if (!s.layouts)
        return QStringLiteral("no layout to write");
    if (s.layouts.testFlag(Layout::Zeph) && s.set.name.contains(u'.'))
        return QStringLiteral("the name \"%1\" holds a \".\": the Zeph layout takes the meta "
                              "file's name up to its first \".\" as the name of its data files")
            .arg(s.set.name);
    // The first energy has the highest open-beam level; the set's own file names do not apply.
    PhantomWriter::Settings brightest = m_settings.set;
    brightest.layout = PhantomWriter::Layout::His;
    brightest.truth = false;
    brightest.densityFactors.clear();
    return PhantomWriter(brightest).check();
}

bool PhantomSeries::write(QString* error) const
{
    QString why = check();
    QStringList madeDirs;
    if (why.isEmpty()) {
        QStringList dirs;
        for (const QString& name : fileNames())
            dirs << QFileInfo(path(name)).path();
        dirs.removeDuplicates();
        for (const QString& dir : std::as_const(dirs)) {
            if (!makePath(dir, madeDirs)) {
                why = QStringLiteral("cannot create the directory %1")
                          .arg(QDir::toNativeSeparators(dir));
                break;
            }
        }
    }
    QStringList written;
    if (why.isEmpty())
        why = writeFiles(written);
    if (!why.isEmpty()) {
        for (const QString& fileName : std::as_const(written))
            QFile::remove(fileName);
        std::for_each(madeDirs.crbegin(), madeDirs.crend(),
                      [](const QString& dir) { QDir().rmdir(dir); });
        if (error)
            *error = why;
    }
    return why.isEmpty();
}

QStringList PhantomSeries::fileNames() const
{
    const Settings& s = m_settings;
    QStringList names{DarkFile};
    for (int i = 0; i < int(m_energies.size()); ++i) {
        names << i0Name(i);
        for (const Layout layout : {Layout::Dirs, Layout::Brel, Layout::Zeph})
            if (s.layouts.testFlag(layout))
                names << projectionNames(layout, i);
        if (s.layouts.testFlag(Layout::Zeph))
            names << zephName(i, QStringLiteral("_I0.his"));
        if (s.set.truth)
            names << truthName(i);
    }
    if (s.layouts.testFlag(Layout::Zeph))
        names << metaName();
    names << DescriptionFile;
    return names;
}

PhantomWriter PhantomSeries::dataSet(int i) const
{
    const double energy = m_energies[i];
    PhantomWriter::Settings s = m_settings.set;
    s.i0 = i0Level(i);
    s.densityFactors.assign(Phantom::StandardPartCount, matrixFactor(energy));
    s.densityFactors[Phantom::Cylinder] *= edgeFactor(energy);
    return PhantomWriter(s);
}

double PhantomSeries::i0Level(int i) const
{
    const double step = i * GoldenStep;
    return PhantomWriter(m_settings.set).i0Counts() * (1.0 - Spread * (step - std::floor(step)));
}

QString PhantomSeries::energyText(double eV)
{
    return decimal(eV).replace(u'.', u'_') + QStringLiteral("eV");
}

QString PhantomSeries::keVText(double eV)
{
    return decimal(eV / 1000.0);
}

QString PhantomSeries::zephNumber(int k, int n)
{
    const int width = n < 1 ? 0 : int(std::ceil(std::log10(double(n))));
    return QStringLiteral("%1").arg(k, width, 10, QLatin1Char('0'));
}

// A smooth step from 1 below the edge to EdgeJump above it.
double PhantomSeries::edgeFactor(double eV)
{
    return 1.0 + (EdgeJump - 1.0) * (0.5 + std::atan((eV - EdgeEnergy) / EdgeWidth) / M_PI);
}

// Absorption away from an edge falls about as the cube of the energy.
double PhantomSeries::matrixFactor(double eV)
{
    const double ratio = EdgeEnergy / eV;
    return ratio * ratio * ratio;
}

QString PhantomSeries::i0Name(int i) const
{
    return QStringLiteral("i0/I0-%1-001.img").arg(energyText(m_energies[i]));
}

QString PhantomSeries::truthName(int i) const
{
    return QStringLiteral("truth/truth-%1.his").arg(energyText(m_energies[i]));
}

QString PhantomSeries::metaName() const
{
    return QStringLiteral("zeph/%1.meta").arg(m_settings.set.name);
}

QStringList PhantomSeries::projectionNames(Layout layout, int i) const
{
    const QString& name = m_settings.set.name;
    if (layout == Layout::Zeph)
        return {zephName(i, QStringLiteral(".his"))};
    QStringList names;
    for (int k = 0; k < m_settings.set.projections; ++k) {
        const QString number = QStringLiteral("%1").arg(k, 5, 10, QLatin1Char('0'));
        names << (layout == Layout::Dirs ? QStringLiteral("dirs/%1/%2_%3.img")
                                               .arg(energyText(m_energies[i]), name, number)
                                         : QStringLiteral("brel/%1-%2-%3.img")
                                               .arg(name, energyText(m_energies[i]), number));
    }
    return names;
}

QString PhantomSeries::zephName(int i, const QString& suffix) const
{
    return QStringLiteral("zeph/%1_%2%3")
        .arg(m_settings.set.name, zephNumber(i + 1, int(m_energies.size())), suffix);
}

QString PhantomSeries::writeFiles(QStringList& written) const
{
    QString why = PhantomWriter(m_settings.set).writeDark(path(DarkFile), written);
    for (int i = 0; why.isEmpty() && i < int(m_energies.size()); ++i)
        why = writeDataSet(i, written);
    if (why.isEmpty() && m_settings.layouts.testFlag(Layout::Zeph))
        why = writeText(metaName(), metaText(), written);
    if (why.isEmpty())
        why = writeText(DescriptionFile, description(), written);
    return why;
}

QString PhantomSeries::writeDataSet(int i, QStringList& written) const
{
    const PhantomWriter set = dataSet(i);
    QString why = set.writeOpenBeam(path(i0Name(i)), written);
    for (const Layout layout : {Layout::Dirs, Layout::Brel, Layout::Zeph}) {
        if (!why.isEmpty() || !m_settings.layouts.testFlag(layout))
            continue;
        QStringList paths;
        for (const QString& name : projectionNames(layout, i))
            paths << path(name);
        why = set.writeProjections(paths, written);
    }
    if (why.isEmpty() && m_settings.layouts.testFlag(Layout::Zeph))
        why = set.writeOpenBeam(path(zephName(i, QStringLiteral("_I0.his"))), written);
    if (why.isEmpty() && m_settings.set.truth)
        why = set.writeTruth(path(truthName(i)), written);
    return why;
}

QString PhantomSeries::writeText(const QString& fileName, const QString& text,
                                 QStringList& written) const
{
    const QString filePath = path(fileName);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return failure(filePath, file.errorString());
    file.write(text.toUtf8());
    if (!file.commit())
        return failure(filePath, file.errorString());
    written << filePath;
    return {};
}

QString PhantomSeries::metaText() const
{
    QString t = QStringLiteral("File Energy(keV) Note\n");
    for (int i = 0; i < int(m_energies.size()); ++i)
        t += QStringLiteral("%1 %2 %3\n")
                 .arg(i + 1)
                 .arg(keVText(m_energies[i]), energyText(m_energies[i]));
    return t;
}

QString PhantomSeries::description() const
{
    const Settings& s = m_settings;
    const int n = int(m_energies.size());
    const PhantomWriter first = dataSet(0);
    const QString& name = s.set.name;
    const QString edge = num(EdgeEnergy);
    QString t;
    t += QStringLiteral("Synthetic CT-XAFS series of an analytic ellipsoid phantom: the same "
                        "parallel-beam CT data set at %1 X-ray energies\n\n")
             .arg(n);

    t += QStringLiteral("Energies\n");
    t += QStringLiteral("  %1 %2 %3 %4 %5\n")
             .arg(QStringLiteral("energy (eV)"), -12)
             .arg(QStringLiteral("text"), -14)
             .arg(QStringLiteral("I0 level"), -10)
             .arg(QStringLiteral("cylinder"), -10)
             .arg(QStringLiteral("others"));
    for (int i = 0; i < n; ++i) {
        const double energy = m_energies[i];
        t += QStringLiteral("  %1 %2 %3 %4 %5\n")
                 .arg(num(energy), -12)
                 .arg(energyText(energy), -14)
                 .arg(QString::number(i0Level(i), 'f', 1), -10)
                 .arg(QString::number(matrixFactor(energy) * edgeFactor(energy), 'f', 6), -10)
                 .arg(QString::number(matrixFactor(energy), 'f', 6));
    }
    t += QStringLiteral("  the cylinder holds an element with an absorption edge at %1 eV (the "
                        "K edge of iron): its density at energy E is rho * (%1 / E)^3 * (1 + %2 "
                        "* (0.5 + atan((E - %1) / %3) / pi)), about %4 times higher above the "
                        "edge than below\n")
             .arg(edge, num(EdgeJump - 1.0), num(EdgeWidth), num(EdgeJump));
    t += QStringLiteral("  every other ellipsoid: rho * (%1 / E)^3; rho is the density in the "
                        "table of ellipsoids below, the columns cylinder and others are the "
                        "factors of rho\n")
             .arg(edge);
    t += QStringLiteral("  I0 level: the open-beam counts of the energy; I0 = BG + flat(u, v), "
                        "raw = BG + flat(u, v) * exp(-p(u, v, k)), flat = level * (0.9 + 0.1 * "
                        "(1 + cos(2 pi u / %1)) * (1 + cos(pi v / %2)) / 4), so ln((I0 - BG) / "
                        "(raw - BG)) = p at that energy up to rounding; the I0 of another "
                        "energy gives a wrong absorption\n\n")
             .arg(first.lineLength())
             .arg(first.sliceCount());

    t += first.geometryText();

    t += QStringLiteral("Files (%1 counts, exposure time %2 s in every image; T is the energy "
                        "text above; names sort by text, in energy order)\n")
             .arg(PhantomWriter::sampleTypeName(s.set.pixelType), num(s.set.exposure));
    t += QStringLiteral("  %1  dark, BG = %2, for every energy\n")
             .arg(DarkFile, num(first.bgCounts()));
    t += QStringLiteral("  i0/I0-T-001.img  open beam of each energy (as an I0 file set, the "
                        "energy is read from T)\n");
    const QString last = QStringLiteral("%1").arg(s.set.projections - 1, 5, 10, QLatin1Char('0'));
    if (s.layouts.testFlag(Layout::Dirs))
        t += QStringLiteral("  dirs/T/%1_00000.img ... %1_%2.img  \"Eng. Dirs\": data directory "
                            "dirs, pattern %3, one sub-directory per energy\n")
                 .arg(name, last, ImagePattern);
    if (s.layouts.testFlag(Layout::Brel))
        t += QStringLiteral("  brel/%1-T-00000.img ... %1-T-%2.img  \"Brel Std.\": data "
                            "directory brel, pattern %3, one set per energy\n")
                 .arg(name, last, ImagePattern);
    if (s.layouts.testFlag(Layout::Zeph)) {
        t += QStringLiteral("  zeph/%1.meta  \"Zeph\": data directory zeph, this meta file; "
                            "line k gives energy k in keV\n")
                 .arg(name);
        t += QStringLiteral("  zeph/%1_%2.his ... %1_%3.his  the projections of energy k, one "
                            "frame each; %1_k_I0.his its open beam\n")
                 .arg(name, zephNumber(1, n), zephNumber(n, n));
    }
    if (s.set.truth)
        t += QStringLiteral("  truth/truth-T.his  true density per pixel (f32) at the energy, "
                            "frame v is slice v: %1 x %1 pixels, pixel (x, z) at X = x - %2, "
                            "Z = z - %2\n")
                 .arg(first.lineLength())
                 .arg(num(first.axisPosition()));
    t += QStringLiteral("  %1  this description\n\n").arg(DescriptionFile);

    t += PhantomWriter(s.set).ellipsoidText();
    return t;
}

QString PhantomSeries::path(const QString& fileName) const
{
    return QDir(m_settings.set.outDir).filePath(fileName);
}
