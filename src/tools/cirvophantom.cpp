// cirvo-phantom: writes a synthetic CT data set of an analytic phantom with its ground truth.

#include "phantom/phantomwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

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

    QString error() const { return m_error; }

private:
    const QCommandLineParser& m_parser;
    QString m_error;
};

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
    out << "  " << s.projections << " projections of " << s.width << " x " << s.height
        << " pixels (" << PhantomWriter::sampleTypeName(s.pixelType) << "), open beam "
        << writer.i0Counts() << " + dark " << writer.bgCounts() << " counts, exposure "
        << s.exposure << " s\n";
    out << "  angles " << writer.angleDegrees(0) << " ... "
        << writer.angleDegrees(s.projections - 1) << " degrees in steps of "
        << s.range / s.projections << ", rotation axis "
        << (s.axis == PhantomWriter::Axis::Vertical ? "vertical at column " : "horizontal at row ")
        << writer.axisPosition() << "\n";
    if (s.truth)
        out << "  truth: " << writer.sliceCount() << " slices of " << writer.lineLength() << " x "
            << writer.lineLength() << " pixels (f32)\n";
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
                       "the description phantom.txt."));
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

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

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
    if (!reader.error().isEmpty())
        return fail(reader.error());

    PhantomWriter writer(s);
    QString error;
    if (!writer.write(&error))
        return fail(error);
    QTextStream(stdout) << summary(writer);
    return 0;
}
