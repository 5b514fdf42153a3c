// cirvo-phantom: writes a synthetic CT data set of an analytic phantom with its ground truth,
// or a CT-XAFS series of such data sets at several X-ray energies.

#include "phantom/phantomseries.h"
#include "phantom/phantomwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <algorithm>
#include <optional>

namespace
{

int fail(const QString& message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << '\n';
    return 1;
}

// Reads the options into settings; the empty text when they all parse, else what is wrong.
class OptionReader
{
public:
    explicit OptionReader(const QCommandLineParser& parser) : m_parser(parser) {}

    void readInt(const QString& name, int& target)
    {
        if (!m_parser.isSet(name) || !m_error.isEmpty())
            return;
        bool ok = false;
        target = m_parser.value(name).toInt(&ok);
        if (!ok)
            m_error = QStringLiteral("--%1 expects a whole number, not \"%2\"")
                          .arg(name, m_parser.value(name));
    }

    void readReal(const QString& name, double& target)
    {
        std::optional<double> value;
        readReal(name, value);
        target = value.value_or(target);
    }

    void readReal(const QString& name, std::optional<double>& target)
    {
        if (!m_parser.isSet(name) || !m_error.isEmpty())
            return;
        bool ok = false;
        target = m_parser.value(name).toDouble(&ok);
        if (!ok)
            m_error =
                QStringLiteral("--%1 expects a number, not \"%2\"").arg(name, m_parser.value(name));
    }

    template <typename T>
    void readChoice(const QString& name, const QList<std::pair<QString, T>>& choices, T& target)
    {
        if (!m_parser.isSet(name) || !m_error.isEmpty())
            return;
        QStringList words;
        for (const auto& [word, value] : choices) {
            if (m_parser.value(name) == word) {
                target = value;
                return;
            }
            words << word;
        }
        m_error = QStringLiteral("--%1 expects %2, not \"%3\"")
                      .arg(name, words.join(QLatin1Char('|')), m_parser.value(name));
    }

    void readEnergies(const QString& name, std::vector<double>& target)
    {
        if (!m_parser.isSet(name) || !m_error.isEmpty())
            return;
        std::vector<double> energies;
        for (const QString& item : m_parser.value(name).split(QLatin1Char(','))) {
            bool ok = false;
            energies.push_back(item.toDouble(&ok));
            if (!ok) {
                m_error = QStringLiteral("--%1 expects numbers separated by \",\", not \"%2\"")
                              .arg(name, m_parser.value(name));
                return;
            }
        }
        target = energies;
    }

    void readLayouts(const QString& name, PhantomSeries::Layouts& target)
    {
        if (!m_parser.isSet(name) || !m_error.isEmpty())
            return;
        const QList<std::pair<QString, PhantomSeries::Layout>> choices{
            {QStringLiteral("dirs"), PhantomSeries::Layout::Dirs},
            {QStringLiteral("brel"), PhantomSeries::Layout::Brel},
            {QStringLiteral("zeph"), PhantomSeries::Layout::Zeph}};
        PhantomSeries::Layouts layouts;
        for (const QString& item : m_parser.value(name).split(QLatin1Char(','))) {
            const auto found =
                std::find_if(choices.begin(), choices.end(),
                             [&](const auto& choice) { return choice.first == item; });
            if (found == choices.end()) {
                m_error = QStringLiteral("--%1 expects some of dirs,brel,zeph, not \"%2\"")
                              .arg(name, m_parser.value(name));
                return;
            }
            layouts |= found->second;
        }
        target = layouts;
    }

    QString error() const { return m_error; }

private:
    const QCommandLineParser& m_parser;
    QString m_error;
};

// The lines on the images and angles of a data set, with the open-beam counts as given.
QString imageLines(const PhantomWriter& writer, const QString& openBeam)
{
    const PhantomWriter::Settings& s = writer.settings();
    QString t;
    QTextStream out(&t);
    out << "  " << s.projections << " projections of " << s.width << " x " << s.height
        << " pixels (" << PhantomWriter::sampleTypeName(s.pixelType) << "), open beam " << openBeam
        << " + dark " << writer.bgCounts() << " counts, exposure " << s.exposure << " s\n";
    out << "  angles " << writer.angleDegrees(0) << " ... "
        << writer.angleDegrees(s.projections - 1) << " degrees in steps of "
        << s.range / s.projections << ", rotation axis "
        << (s.axis == PhantomWriter::Axis::Vertical ? "vertical at column " : "horizontal at row ")
        << writer.axisPosition() << "\n";
    return t;
}

QString truthSize(const PhantomWriter& writer)
{
    return QStringLiteral("%1 slices of %2 x %2 pixels (f32)")
        .arg(writer.sliceCount())
        .arg(writer.lineLength());
}

QString summary(const PhantomWriter& writer)
{
    const PhantomWriter::Settings& s = writer.settings();
    QStringList names = writer.fileNames();
    if (s.layout == PhantomWriter::Layout::Img)
        names = QStringList{names.first() + QStringLiteral(" ... ") + names.at(s.projections - 1)} +
                names.mid(s.projections);
    QString t;
    QTextStream out(&t);
    out << "Wrote to " << QDir::toNativeSeparators(s.outDir) << ": " << names.join(", ") << "\n";
    out << imageLines(writer, QString::number(writer.i0Counts()));
    if (s.truth)
        out << "  truth: " << truthSize(writer) << "\n";
    return t;
}

QString summary(const PhantomSeries& series)
{
    const PhantomSeries::Settings& s = series.settings();
    const int n = int(series.energies().size());
    const QDir out(s.set.outDir);
    const auto at = [&](const QString& name) {
        return QDir::toNativeSeparators(out.filePath(name));
    };
    QStringList energies;
    for (const double energy : series.energies())
        energies << QString::number(energy);
    const PhantomWriter first = series.dataSet(0);
    QString t;
    QTextStream text(&t);
    text << "Wrote a CT-XAFS series of " << n << " energies to "
         << QDir::toNativeSeparators(s.set.outDir) << ": " << energies.join(", ") << " eV\n";
    if (s.layouts.testFlag(PhantomSeries::Layout::Dirs))
        text << "  Eng. Dirs: data directory " << at(QStringLiteral("dirs"))
             << ", one sub-directory per energy, pattern *.img\n";
    if (s.layouts.testFlag(PhantomSeries::Layout::Brel))
        text << "  Brel Std.: data directory " << at(QStringLiteral("brel")) << ", pattern *.img\n";
    if (s.layouts.testFlag(PhantomSeries::Layout::Zeph))
        text << "  Zeph: data directory " << at(QStringLiteral("zeph")) << ", meta file "
             << at(QStringLiteral("zeph/%1.meta").arg(s.set.name)) << "\n";
    text << "  I0 file set: " << at(QStringLiteral("i0")) << ", one I0-<energy>eV-001.img per "
         << "energy; dark: " << at(QStringLiteral("BG.img")) << "\n";
    if (s.set.truth)
        text << "  truth: " << at(QStringLiteral("truth")) << ", one truth-<energy>eV.his per "
             << "energy, " << truthSize(first) << "\n";
    text << "  description: " << at(QStringLiteral("series.txt")) << "\n";
    std::vector<double> levels;
    for (int i = 0; i < n; ++i)
        levels.push_back(series.i0Level(i));
    const auto [lowest, highest] = std::minmax_element(levels.begin(), levels.end());
    text << imageLines(first, QStringLiteral("%1 ... %2 by energy").arg(*lowest).arg(*highest));
    text << "  the cylinder's density steps up " << PhantomSeries::EdgeJump
         << " times across the edge at " << PhantomSeries::EdgeEnergy << " eV\n";
    return t;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cirvo-phantom"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a synthetic parallel-beam CT data set of an analytic ellipsoid "
                       "phantom: projections, I0.img, BG.img, the true densities truth.his and "
                       "the description phantom.txt.\n"
                       "With --series, writes a CT-XAFS series instead: the data set at several "
                       "X-ray energies, its cylinder holding an absorption edge at 7112 eV, each "
                       "energy with its own open-beam level, in the layouts dirs/ (one "
                       "sub-directory per energy), brel/ (NAME-<energy>eV-00000.img ...) and "
                       "zeph/ (NAME.meta, NAME_k.his, NAME_k_I0.his), with i0/, BG.img, truth/ "
                       "and the description series.txt."));
    parser.addHelpOption();
    const auto option = [&](const QString& name, const QString& description,
                            const QString& valueName = {}) {
        parser.addOption(QCommandLineOption(name, description, valueName));
    };
    option(QStringLiteral("out"), QStringLiteral("Output directory, created if missing (sample)."),
           QStringLiteral("DIR"));
    option(QStringLiteral("name"), QStringLiteral("Base name of the projections (phantom)."),
           QStringLiteral("NAME"));
    option(QStringLiteral("width"), QStringLiteral("Image width in pixels (256)."),
           QStringLiteral("W"));
    option(QStringLiteral("height"), QStringLiteral("Image height in pixels (256)."),
           QStringLiteral("H"));
    option(QStringLiteral("projections"), QStringLiteral("Number of projections (360)."),
           QStringLiteral("M"));
    option(QStringLiteral("range"), QStringLiteral("Angle range of the projections (180)."),
           QStringLiteral("DEG"));
    option(QStringLiteral("origin"), QStringLiteral("Angle of the first projection (0)."),
           QStringLiteral("DEG"));
    option(QStringLiteral("cor"),
           QStringLiteral("Rotation axis position on the detector line (its middle: W/2, or H/2 "
                          "with --axis h)."),
           QStringLiteral("X"));
    option(QStringLiteral("axis"), QStringLiteral("Rotation axis vertical or horizontal (v)."),
           QStringLiteral("v|h"));
    option(QStringLiteral("pixel-type"), QStringLiteral("ITEX pixel type (u16)."),
           QStringLiteral("u8|s16|u16|s32|f32"));
    option(QStringLiteral("layout"),
           QStringLiteral("One file NAME.his of all projections, or NAME_00000.img ... (his)."),
           QStringLiteral("his|img"));
    option(QStringLiteral("i0"), QStringLiteral("Open-beam counts (30000; 200 for u8)."),
           QStringLiteral("COUNTS"));
    option(QStringLiteral("bg"), QStringLiteral("Dark counts (100; 5 for u8)."),
           QStringLiteral("COUNTS"));
    option(QStringLiteral("exposure"), QStringLiteral("Exposure time of every image (1)."),
           QStringLiteral("SECONDS"));
    option(QStringLiteral("no-truth"), QStringLiteral("Do not write truth.his."));
    option(QStringLiteral("series"),
           QStringLiteral("Write a CT-XAFS series of the data set at several energies."));
    option(QStringLiteral("energies"),
           QStringLiteral("Energies of the series in eV (7080,7100,7120,7140,7160)."),
           QStringLiteral("LIST"));
    option(QStringLiteral("layouts"),
           QStringLiteral("Layouts of the series, some of dirs,brel,zeph (all)."),
           QStringLiteral("LIST"));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    const bool series = parser.isSet(QStringLiteral("series"));
    for (const char* seriesOnly : {"energies", "layouts"})
        if (!series && parser.isSet(QLatin1String(seriesOnly)))
            return fail(QStringLiteral("--%1 applies to --series only").arg(seriesOnly));
    if (series && parser.isSet(QStringLiteral("layout")))
        return fail(QStringLiteral("--layout applies to one data set; a series has --layouts"));

    PhantomWriter::Settings s;
    OptionReader reader(parser);
    if (parser.isSet(QStringLiteral("out")))
        s.outDir = parser.value(QStringLiteral("out"));
    if (parser.isSet(QStringLiteral("name")))
        s.name = parser.value(QStringLiteral("name"));
    reader.readInt(QStringLiteral("width"), s.width);
    reader.readInt(QStringLiteral("height"), s.height);
    reader.readInt(QStringLiteral("projections"), s.projections);
    reader.readReal(QStringLiteral("range"), s.range);
    reader.readReal(QStringLiteral("origin"), s.origin);
    reader.readReal(QStringLiteral("cor"), s.cor);
    reader.readChoice<PhantomWriter::Axis>(QStringLiteral("axis"),
                                           {{QStringLiteral("v"), PhantomWriter::Axis::Vertical},
                                            {QStringLiteral("h"), PhantomWriter::Axis::Horizontal}},
                                           s.axis);
    QList<std::pair<QString, SampleType>> types;
    for (const char* name : {"u8", "s16", "u16", "s32", "f32"})
        types.append({QLatin1String(name), PhantomWriter::sampleTypeFromName(QLatin1String(name))});
    reader.readChoice(QStringLiteral("pixel-type"), types, s.pixelType);
    reader.readChoice<PhantomWriter::Layout>(QStringLiteral("layout"),
                                             {{QStringLiteral("his"), PhantomWriter::Layout::His},
                                              {QStringLiteral("img"), PhantomWriter::Layout::Img}},
                                             s.layout);
    reader.readReal(QStringLiteral("i0"), s.i0);
    reader.readReal(QStringLiteral("bg"), s.bg);
    reader.readReal(QStringLiteral("exposure"), s.exposure);
    s.truth = !parser.isSet(QStringLiteral("no-truth"));
    PhantomSeries::Settings seriesSettings;
    reader.readEnergies(QStringLiteral("energies"), seriesSettings.energies);
    reader.readLayouts(QStringLiteral("layouts"), seriesSettings.layouts);
    if (!reader.error().isEmpty())
        return fail(reader.error());

    QString error;
    if (series) {
        seriesSettings.set = s;
        const PhantomSeries writer(seriesSettings);
        if (!writer.write(&error))
            return fail(error);
        QTextStream(stdout) << summary(writer);
        return 0;
    }
    PhantomWriter writer(s);
    if (!writer.write(&error))
        return fail(error);
    QTextStream(stdout) << summary(writer);
    return 0;
}
