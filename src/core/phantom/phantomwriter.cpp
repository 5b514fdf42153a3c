#include "phantomwriter.h"

#include "imageio/itexwriter.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace
{

const QString TruthFile = QStringLiteral("truth.his");
const QString OpenBeamFile = QStringLiteral("I0.img");
const QString DarkFile = QStringLiteral("BG.img");
const QString DescriptionFile = QStringLiteral("phantom.txt");

constexpr SampleType ItexTypes[] = {SampleType::U8, SampleType::S16, SampleType::U16,
                                    SampleType::S32, SampleType::F32};

double largestValue(SampleType type)
{
    switch (type) {
    case SampleType::U8:
        return std::numeric_limits<quint8>::max();
    case SampleType::S16:
        return std::numeric_limits<qint16>::max();
    case SampleType::U16:
        return std::numeric_limits<quint16>::max();
    case SampleType::S32:
        return std::numeric_limits<qint32>::max();
    default:
        return std::numeric_limits<float>::max();
    }
}

// The shortest text that reads back as the same double.
QString num(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString failure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), reason);
}

QString commit(ItexWriter& writer, const QString& fileName, QStringList& written)
{
    if (!writer.commit())
        return failure(fileName, writer.errorString());
    written << fileName;
    return {};
}

} // namespace

PhantomWriter::PhantomWriter(const Settings& settings) : m_settings(settings) {}

QString PhantomWriter::check() const
{
    const Settings& s = m_settings;
    if (s.width < 2 || s.width > 0xffff || s.height < 2 || s.height > 0xffff)
        return QStringLiteral("image size %1 x %2 is outside 2 ... 65535")
            .arg(s.width)
            .arg(s.height);
    if (s.projections < 1 || s.projections > 0xffff)
        return QStringLiteral("%1 projections is outside 1 ... 65535").arg(s.projections);
    if (!std::isfinite(s.range) || !std::isfinite(s.origin))
        return QStringLiteral("the angle range and origin must be finite");
    const double cor = axisPosition();
    const int n = lineLength();
    if (!(cor >= 1.0 && cor <= n - 2.0))
        return QStringLiteral("rotation axis at %1 is outside 1 ... %2").arg(num(cor)).arg(n - 2);
    if (usableRadius() < 1.0)
        return QStringLiteral("rotation axis at %1 leaves no room for the phantom: it needs 3 "
                              "pixels to each end of the %2 detector positions")
            .arg(num(cor))
            .arg(n);
    if (sampleTypeName(s.pixelType).isEmpty())
        return QStringLiteral("unknown pixel type: ITEX images hold u8, s16, u16, s32 or f32");
    const double i0 = i0Counts();
    const double bg = bgCounts();
    if (!(i0 > 0.0) || !(bg >= 0.0) || !std::isfinite(i0 + bg))
        return QStringLiteral("the counts must be i0 > 0 and bg >= 0");
    if (i0 + bg > largestValue(s.pixelType))
        return QStringLiteral("i0 + bg = %1 counts exceed %2, the largest %3 value")
            .arg(num(i0 + bg), num(largestValue(s.pixelType)), sampleTypeName(s.pixelType));
    if (!(s.exposure > 0.0) || !std::isfinite(s.exposure))
        return QStringLiteral("the exposure time must be positive");
    if (!s.densityFactors.empty() && s.densityFactors.size() != Phantom::StandardPartCount)
        return QStringLiteral("%1 density factors for the %2 ellipsoids of the phantom")
            .arg(s.densityFactors.size())
            .arg(int(Phantom::StandardPartCount));
    if (!std::all_of(s.densityFactors.begin(), s.densityFactors.end(),
                     [](double factor) { return std::isfinite(factor); }))
        return QStringLiteral("the density factors must be finite");
    if (s.outDir.isEmpty())
        return QStringLiteral("no output directory");
    if (s.name.isEmpty() || s.name.contains(u'/') || s.name.contains(u'\\'))
        return QStringLiteral("the name \"%1\" is not a plain file name").arg(s.name);
    QSet<QString> seen;
    for (const QString& fileName : fileNames()) {
        if (seen.contains(fileName.toLower()))
            return QStringLiteral("the name \"%1\" makes %2 clash with another file of the set")
                .arg(s.name, fileName);
        seen.insert(fileName.toLower());
    }
    return {};
}

bool PhantomWriter::write(QString* error) const
{
    QString why = check();
    if (why.isEmpty() && !QDir().mkpath(m_settings.outDir))
        why = QStringLiteral("cannot create the directory %1")
                  .arg(QDir::toNativeSeparators(m_settings.outDir));
    if (why.isEmpty())
        why = writeFiles();
    if (!why.isEmpty() && error)
        *error = why;
    return why.isEmpty();
}

QStringList PhantomWriter::fileNames() const
{
    QStringList names;
    if (m_settings.layout == Layout::His) {
        names << m_settings.name + QStringLiteral(".his");
    } else {
        for (int k = 0; k < m_settings.projections; ++k)
            names << m_settings.name + QStringLiteral("_%1.img").arg(k, 5, 10, QLatin1Char('0'));
    }
    names << OpenBeamFile << DarkFile;
    if (m_settings.truth)
        names << TruthFile;
    names << DescriptionFile;
    return names;
}

int PhantomWriter::lineLength() const
{
    return m_settings.axis == Axis::Vertical ? m_settings.width : m_settings.height;
}

int PhantomWriter::sliceCount() const
{
    return m_settings.axis == Axis::Vertical ? m_settings.height : m_settings.width;
}

double PhantomWriter::axisPosition() const
{
    return m_settings.cor.value_or(lineLength() / 2.0);
}

double PhantomWriter::i0Counts() const
{
    return m_settings.i0.value_or(m_settings.pixelType == SampleType::U8 ? 200.0 : 30000.0);
}

double PhantomWriter::bgCounts() const
{
    return m_settings.bg.value_or(m_settings.pixelType == SampleType::U8 ? 5.0 : 100.0);
}

double PhantomWriter::angleDegrees(int projection) const
{
    return m_settings.origin + projection * (m_settings.range / m_settings.projections);
}

Phantom PhantomWriter::phantom() const
{
    const Phantom standard = Phantom::standard(usableRadius(), sliceCount() / 2.0);
    if (m_settings.densityFactors.empty())
        return standard;
    std::vector<Phantom::Ellipsoid> ellipsoids = standard.ellipsoids();
    for (size_t i = 0; i < ellipsoids.size(); ++i)
        ellipsoids[i].rho *= m_settings.densityFactors[i];
    return Phantom(std::move(ellipsoids));
}

QString PhantomWriter::sampleTypeName(SampleType type)
{
    switch (type) {
    case SampleType::U8:
        return QStringLiteral("u8");
    case SampleType::S16:
        return QStringLiteral("s16");
    case SampleType::U16:
        return QStringLiteral("u16");
    case SampleType::S32:
        return QStringLiteral("s32");
    case SampleType::F32:
        return QStringLiteral("f32");
    default:
        return {};
    }
}

SampleType PhantomWriter::sampleTypeFromName(const QString& name)
{
    for (const SampleType type : ItexTypes)
        if (sampleTypeName(type) == name)
            return type;
    return SampleType::None;
}

// The reconstruction sees the circle of radius min(cor, n - 1 - cor) - 2 about the axis.
double PhantomWriter::usableRadius() const
{
    const double cor = axisPosition();
    const int n = lineLength();
    return std::min(0.45 * n, std::min(cor, n - 1 - cor) - 2.0);
}

double PhantomWriter::sliceHeight(int slice) const
{
    return slice + 0.5 - sliceCount() / 2.0;
}

qsizetype PhantomWriter::pixelIndex(int u, int slice) const
{
    if (m_settings.axis == Axis::Vertical)
        return qsizetype(slice) * m_settings.width + u;
    return qsizetype(u) * m_settings.width + slice;
}

// i0 counts shaded by up to 10 % across the detector, in vertical-axis order, so that the
// open-beam correction matters.
std::vector<double> PhantomWriter::flatField() const
{
    const int n = lineLength();
    const int slices = sliceCount();
    std::vector<double> flat(size_t(n) * slices);
    for (int v = 0; v < slices; ++v) {
        for (int u = 0; u < n; ++u) {
            const double shade =
                (1.0 + std::cos(2.0 * M_PI * u / n)) * (1.0 + std::cos(M_PI * v / slices)) / 4.0;
            flat[size_t(v) * n + u] = i0Counts() * (0.9 + 0.1 * shade);
        }
    }
    return flat;
}

QString PhantomWriter::writeFiles() const
{
    QStringList written;
    const QStringList names = fileNames();
    QStringList projections;
    for (qsizetype k = 0; k < (m_settings.layout == Layout::His ? 1 : m_settings.projections); ++k)
        projections << path(names[k]);
    QString why = writeProjections(projections, written);
    if (why.isEmpty())
        why = writeOpenBeam(path(OpenBeamFile), written);
    if (why.isEmpty())
        why = writeDark(path(DarkFile), written);
    if (why.isEmpty() && m_settings.truth)
        why = writeTruth(path(TruthFile), written);
    if (why.isEmpty())
        why = writeDescription(written);
    if (!why.isEmpty()) {
        for (const QString& fileName : std::as_const(written))
            QFile::remove(fileName);
    }
    return why;
}

QString PhantomWriter::writeProjections(const QStringList& filePaths, QStringList& written) const
{
    const Settings& s = m_settings;
    const bool oneFile = filePaths.size() == 1;
    Q_ASSERT(oneFile || filePaths.size() == s.projections);
    const int n = lineLength();
    const double bg = bgCounts();
    const std::vector<double> flat = flatField();
    const Phantom object = phantom();
    const QByteArray comment = ItexWriter::standardComment(s.width, s.height, s.exposure,
                                                           QByteArrayLiteral("Prop_Kind=raw,"));
    std::optional<ItexWriter> writer;
    std::vector<double> image(size_t(s.width) * s.height);
    std::vector<double> line(n);
    for (int k = 0; k < s.projections; ++k) {
        const QString& fileName = filePaths[oneFile ? 0 : k];
        if (!writer || !oneFile)
            writer.emplace(fileName, s.width, s.height, s.pixelType, oneFile ? s.projections : 1,
                           comment);
        const double theta = qDegreesToRadians(angleDegrees(k));
        for (int v = 0; v < sliceCount(); ++v) {
            object.projectionRow(sliceHeight(v), theta, -axisPosition(), n, line.data());
            for (int u = 0; u < n; ++u)
                image[pixelIndex(u, v)] = bg + flat[size_t(v) * n + u] * std::exp(-line[u]);
        }
        if (!writer->appendFrame(image.data()))
            return failure(fileName, writer->errorString());
        if (!oneFile || k + 1 == s.projections) {
            const QString why = commit(*writer, fileName, written);
            if (!why.isEmpty())
                return why;
        }
    }
    return {};
}

QString PhantomWriter::writeOpenBeam(const QString& filePath, QStringList& written) const
{
    const int n = lineLength();
    const double bg = bgCounts();
    const std::vector<double> flat = flatField();
    std::vector<double> open(size_t(m_settings.width) * m_settings.height);
    for (int v = 0; v < sliceCount(); ++v)
        for (int u = 0; u < n; ++u)
            open[pixelIndex(u, v)] = bg + flat[size_t(v) * n + u];
    return writeImage(filePath, "I0", open, written);
}

QString PhantomWriter::writeDark(const QString& filePath, QStringList& written) const
{
    const std::vector<double> dark(size_t(m_settings.width) * m_settings.height, bgCounts());
    return writeImage(filePath, "BG", dark, written);
}

QString PhantomWriter::writeImage(const QString& filePath, const char* kind,
                                  const std::vector<double>& pixels, QStringList& written) const
{
    const Settings& s = m_settings;
    ItexWriter writer(filePath, s.width, s.height, s.pixelType, 1,
                      ItexWriter::standardComment(s.width, s.height, s.exposure,
                                                  QByteArray("Prop_Kind=") + kind + ","));
    if (!writer.appendFrame(pixels.data()))
        return failure(filePath, writer.errorString());
    return commit(writer, filePath, written);
}

QString PhantomWriter::writeTruth(const QString& filePath, QStringList& written) const
{
    const int n = lineLength();
    const double cor = axisPosition();
    const Phantom object = phantom();
    const QByteArray props = "Prop_Kind=truth,Prop_AxisPosition=" + num(cor).toLatin1() + ",";
    ItexWriter writer(filePath, n, n, SampleType::F32, sliceCount(),
                      ItexWriter::standardComment(n, n, m_settings.exposure, props));
    std::vector<double> frame(size_t(n) * n);
    for (int v = 0; v < sliceCount(); ++v) {
        for (int z = 0; z < n; ++z)
            for (int x = 0; x < n; ++x)
                frame[size_t(z) * n + x] = object.density(x - cor, sliceHeight(v), z - cor);
        if (!writer.appendFrame(frame.data()))
            return failure(filePath, writer.errorString());
    }
    return commit(writer, filePath, written);
}

QString PhantomWriter::writeDescription(QStringList& written) const
{
    const QString fileName = path(DescriptionFile);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return failure(fileName, file.errorString());
    file.write(description().toUtf8());
    if (!file.commit())
        return failure(fileName, file.errorString());
    written << fileName;
    return {};
}

QString PhantomWriter::description() const
{
    const Settings& s = m_settings;
    const int n = lineLength();
    const int slices = sliceCount();
    const QString cor = num(axisPosition());
    const QStringList names = fileNames();
    QString t;
    t += QStringLiteral("Synthetic parallel-beam CT data set of an analytic ellipsoid phantom\n\n");
    t += geometryText();

    t += QStringLiteral("Intensities (%1 counts, exposure time %2 s in every image)\n")
             .arg(sampleTypeName(s.pixelType), num(s.exposure));
    t += QStringLiteral("  BG = %1\n").arg(num(bgCounts()));
    t += QStringLiteral("  I0 = BG + flat(u, v), flat = %1 * (0.9 + 0.1 * (1 + cos(2 pi u / %2)) "
                        "* (1 + cos(pi v / %3)) / 4)\n")
             .arg(num(i0Counts()))
             .arg(n)
             .arg(slices);
    t += QStringLiteral("  raw = BG + flat(u, v) * exp(-p(u, v, k)), so ln((I0 - BG) / (raw - "
                        "BG)) = p up to rounding\n\n");

    t += QStringLiteral("Files\n");
    if (s.layout == Layout::His)
        t += QStringLiteral("  %1  the %2 projections, one frame each\n")
                 .arg(names.first(), QString::number(s.projections));
    else
        t += QStringLiteral("  %1 ... %2  one projection each\n")
                 .arg(names.first(), names.at(s.projections - 1));
    t += QStringLiteral("  %1  open beam\n  %2  dark\n").arg(OpenBeamFile, DarkFile);
    if (s.truth) {
        t += QStringLiteral("  %1  true density per pixel (f32), frame v is slice v: %2 x %2 "
                            "pixels, pixel (x, z) in column x, row z at X = x - %3, Z = z - %3 "
                            "(Prop_AxisPosition=%3 in its comment)\n")
                 .arg(TruthFile)
                 .arg(n)
                 .arg(cor);
        t += QStringLiteral("    a reconstruction of N x N pixels with pixel (x, z) at X = x - "
                            "N/2, Z = z - N/2 matches truth pixel (x - N/2 + %1, z - N/2 + %1)\n")
                 .arg(cor);
    }
    t += QStringLiteral("  %1  this description\n\n").arg(DescriptionFile);
    t += ellipsoidText();
    return t;
}

QString PhantomWriter::geometryText() const
{
    const Settings& s = m_settings;
    const int n = lineLength();
    const int slices = sliceCount();
    const QString cor = num(axisPosition());
    QString t;
    t += QStringLiteral("Geometry\n");
    t += QStringLiteral("  images of %1 x %2 pixels (width x height), %3 projections\n")
             .arg(s.width)
             .arg(s.height)
             .arg(s.projections);
    t += s.axis == Axis::Vertical
             ? QStringLiteral("  rotation axis vertical at column %1: image column u is "
                              "detector position u, image row v is slice v\n")
                   .arg(cor)
             : QStringLiteral("  rotation axis horizontal at row %1: image row u is detector "
                              "position u, image column v is slice v (the vertical-axis "
                              "images transposed)\n")
                   .arg(cor);
    t += QStringLiteral("  %1 detector positions u = 0 ... %2, %3 slices v = 0 ... %4\n")
             .arg(n)
             .arg(n - 1)
             .arg(slices)
             .arg(slices - 1);
    t += QStringLiteral("  projection k at theta_k = %1 + k * %2 degrees (%3 ... %4)\n")
             .arg(num(s.origin), num(s.range / s.projections), num(angleDegrees(0)),
                  num(angleDegrees(s.projections - 1)));
    t += QStringLiteral("  object coordinates in pixels: X, Z in the slice plane, Y along the "
                        "axis; slice v lies at Y = v + 0.5 - %1\n")
             .arg(num(slices / 2.0));
    t += QStringLiteral("  p(u, v, k) = integral of the density at height Y_v along the line "
                        "X cos(theta_k) - Z sin(theta_k) = u - %1\n\n")
             .arg(cor);
    return t;
}

QString PhantomWriter::ellipsoidText() const
{
    QString t;
    t += QStringLiteral("Ellipsoids (densities add; semi-axis a lies along (cos phi, sin phi) in "
                        "(X, Z), c along Y; density per pixel)\n");
    t += QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8\n")
             .arg(QStringLiteral("X0"), 10)
             .arg(QStringLiteral("Y0"), 10)
             .arg(QStringLiteral("Z0"), 10)
             .arg(QStringLiteral("a"), 10)
             .arg(QStringLiteral("b"), 10)
             .arg(QStringLiteral("c"), 10)
             .arg(QStringLiteral("phi (deg)"), 10)
             .arg(QStringLiteral("density"), 12);
    const Phantom object = phantom();
    for (const Phantom::Ellipsoid& e : object.ellipsoids()) {
        t += QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8\n")
                 .arg(e.x0, 10, 'f', 3)
                 .arg(e.y0, 10, 'f', 3)
                 .arg(e.z0, 10, 'f', 3)
                 .arg(e.a, 10, 'f', 3)
                 .arg(e.b, 10, 'f', 3)
                 .arg(e.c, 10, 'f', 3)
                 .arg(qRadiansToDegrees(e.phi), 10, 'f', 1)
                 .arg(e.rho, 12, 'g', 6);
    }
    return t;
}

QString PhantomWriter::path(const QString& fileName) const
{
    return QDir(m_settings.outDir).filePath(fileName);
}
