// cirvo-recon: reconstructs slices of a CT data set without windows, with the multi-slice
// engine and the saver of the program, and writes the same files.
#include "imageio/imgdatas.h"
#include "recon/reconrun.h"
#include "recon/sinogrambuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace
{

// The last message of the readers, which names the file and the reason for a refusal.
QString g_lastReason;
bool g_verbose = false;

void messages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (context.category && QByteArray(context.category).startsWith("cirvo."))
        g_lastReason = text;
    if (g_verbose || type >= QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "cirvo-recon: %s\n", qPrintable(message));
    std::exit(1);
}

QString reason()
{
    return g_lastReason.isEmpty() ? QStringLiteral("unreadable") : g_lastReason;
}

double number(const QString& text, const QString& option)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        fail(QStringLiteral("--%1 needs a number, not \"%2\"").arg(option, text));
    return v;
}

int integer(const QString& text, const QString& option)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("--%1 needs a whole number, not \"%2\"").arg(option, text));
    return v;
}

std::shared_ptr<ImgData> loadSingle(const QString& file, const QString& what)
{
    g_lastReason.clear();
    std::shared_ptr<ImgData> img = ImgData::createImgData(ImgData::fileType(file));
    if (img) {
        img->fileName = file;
        img->valid = img->load(0);
    }
    if (!img || !img->valid)
        fail(QStringLiteral("cannot read the %1 image %2: %3").arg(what, file, reason()));
    return img;
}

QList<int> sliceList(const QString& text, int lines)
{
    const QStringList parts = text.split(u':');
    if (parts.size() > 3)
        fail(QStringLiteral("--slices takes A[:B[:S]], not \"%1\"").arg(text));
    const int a = integer(parts.at(0), QStringLiteral("slices"));
    const int b = parts.size() > 1 ? integer(parts.at(1), QStringLiteral("slices")) : a;
    // 64 bits: the magnitude of the lowest int does not fit an int.
    const qint64 step =
        parts.size() > 2 ? std::abs(qint64(integer(parts.at(2), QStringLiteral("slices")))) : 1;
    if (step == 0)
        fail(QStringLiteral("--slices needs a step other than 0"));
    QList<int> slices;
    for (qint64 s = a; b >= a ? s <= b : s >= b; s += b >= a ? step : -step) {
        if (s < 0 || s >= lines)
            fail(
                QStringLiteral("slice %1 is outside the %2 lines of the images").arg(s).arg(lines));
        slices << int(s);
    }
    return slices;
}

// How far a slice is from the phantom's ground truth (frame `slice` of `truthFile`, truth pixel
// (x', z') at X = x' - cor): the relative RMS error inside 0.8 of the radius, after the best
// scale and offset, since the reconstruction's absorption scale is a mean over projections.
QString truthError(const Ct2Result& r, const QString& truthFile, double cor)
{
    auto truth = ImgData::createImgData(ImgData::Itex);
    truth->fileName = truthFile;
    if (!r.values || !(truth->valid = truth->load(r.slice)))
        return QStringLiteral("no ground truth for slice %1").arg(r.slice);
    const double g = r.n * 0.5;
    std::vector<double> row(size_t(truth->width));
    double sr = 0, st = 0, srr = 0, srt = 0, stt = 0;
    qint64 count = 0;
    for (int z = 0; z < r.n; ++z) {
        const int tz = int(std::lround(z - g + cor));
        if (tz < 0 || tz >= truth->height)
            continue;
        truth->row(tz, row.data());
        for (int x = 0; x < r.n; ++x) {
            const int tx = int(std::lround(x - g + cor));
            if ((x - g) * (x - g) + (z - g) * (z - g) >= 0.64 * g * g || tx < 0 ||
                tx >= truth->width)
                continue;
            const double v = (*r.values)[size_t(z) * size_t(r.n) + size_t(x)];
            const double t = row[size_t(tx)];
            sr += v;
            st += t;
            srr += v * v;
            srt += v * t;
            stt += t * t;
            ++count;
        }
    }
    const double det = count * srr - sr * sr;
    if (count == 0 || det == 0 || stt == 0)
        return QStringLiteral("no ground truth to compare for slice %1").arg(r.slice);
    const double a = (count * srt - sr * st) / det;
    const double b = (st - a * sr) / count;
    const double residual =
        stt - 2 * a * srt - 2 * b * st + a * a * srr + 2 * a * b * sr + count * b * b;
    return QStringLiteral("slice %1: relative RMS error %2 against the ground truth")
        .arg(r.slice)
        .arg(std::sqrt(std::max(residual, 0.0) / stt), 0, 'g', 3);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cirvo-recon"));
    qInstallMessageHandler(messages);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reconstructs slices of a CT data set by filtered back-projection and saves them as "
        "pictures and #CIRVO-CTImg data files, as the multi-slice path of Cirvo does."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("RAW"),
                                 QStringLiteral("Image files (ITEX, TIFF); a multi-frame file "
                                                "gives one projection per frame."),
                                 QStringLiteral("RAW..."));
    const auto option = [&](const char* name, const char* text, const char* value = nullptr,
                            const char* def = nullptr) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromLatin1(text));
        if (value)
            o.setValueName(QString::fromLatin1(value));
        if (def)
            o.setDefaultValue(QString::fromLatin1(def));
        parser.addOption(o);
    };
    option("i0", "I0 image (absent: 1.0).", "FILE");
    option("bg", "BG image (absent: 0.0).", "FILE");
    option("axis", "Rotation axis: v (slices are image rows) or h.", "v|h", "v");
    option("cor", "Centre of rotation (default: half the line length).", "X");
    option("slices", "One slice, or A to B with step S (default: the middle line).", "A[:B[:S]]");
    option("range", "Angular range of the data set in degrees.", "DEG", "180");
    option("origin", "Angle of the first image in degrees.", "DEG", "0");
    option("partial", "Use COUNT images from START, wrapping round.", "START:COUNT");
    option("region", "Calculation region (default: the whole slice).", "X0,Z0,X1,Z1");
    option("out", "Output directory.", "DIR", ".");
    option("name", "File name stem.", "NAME", "slice");
    option("tag", "Tag in the file names (and energy sub-folder).", "TAG", "");
    option("save", "Files to write: data, png or both.", "data,png", "data,png");
    option("sub-folders", "Sub-folders: energy, slice or both.", "LIST");
    option("limits", "Clipping of the data file.", "LOW:HIGH", "-10:10");
    option("offset", "Offset added to the data file's values.", "X", "10");
    option("threads", "Workers (default: hardware threads).", "N");
    option("truth", "Ground-truth slices (cirvo-phantom's truth.his) to compare with.", "FILE");
    option("progress", "Report progress on stderr even when it is not a terminal.");
    option("verbose", "Show the readers' debug messages.");
    parser.process(app);
    g_verbose = parser.isSet(QStringLiteral("verbose"));

    const QStringList raws = parser.positionalArguments();
    if (raws.isEmpty())
        fail(QStringLiteral("no image files given (see --help)"));

    ImgDatas set;
    for (const QString& file : raws) {
        g_lastReason.clear();
        const int frames = ImgDatas::frameCountOf(file);
        if (frames < 1)
            fail(QStringLiteral("cannot read %1: %2").arg(file, reason()));
        for (int k = 0; k < frames; ++k) {
            g_lastReason.clear();
            if (!set.add(file, k))
                fail(QStringLiteral("cannot use frame %1 of %2: %3").arg(k).arg(file, reason()));
        }
    }
    std::shared_ptr<ImgData> i0;
    std::shared_ptr<ImgData> bg;
    if (parser.isSet(QStringLiteral("i0"))) {
        i0 = loadSingle(parser.value(QStringLiteral("i0")), QStringLiteral("I0"));
        set.setI0Slot(&i0);
    }
    if (parser.isSet(QStringLiteral("bg"))) {
        bg = loadSingle(parser.value(QStringLiteral("bg")), QStringLiteral("BG"));
        set.setBGSlot(&bg);
    }
    for (const auto& [img, what] : {std::pair{i0.get(), "I0"}, std::pair{bg.get(), "BG"}})
        if (img && (img->width != set.width || img->height != set.height))
            fail(QStringLiteral("the %1 image %2 is %3 x %4, the images %5 x %6")
                     .arg(QLatin1String(what), img->fileName)
                     .arg(img->width)
                     .arg(img->height)
                     .arg(set.width)
                     .arg(set.height));

    ReconRun::Settings s;
    const QString axis = parser.value(QStringLiteral("axis"));
    if (axis != QLatin1String("v") && axis != QLatin1String("h"))
        fail(QStringLiteral("--axis takes v or h, not \"%1\"").arg(axis));
    s.rotAxIsV = axis == QLatin1String("v");
    s.inputs.images = set.snapshot();
    const int length = SinogramBuilder::lineLength(*s.inputs.images, s.rotAxIsV);
    const int lines = s.rotAxIsV ? set.height : set.width;
    s.cor = parser.isSet(QStringLiteral("cor"))
                ? number(parser.value(QStringLiteral("cor")), QStringLiteral("cor"))
                : length / 2.0;
    if (std::floor(s.cor) <= 0 || std::ceil(s.cor) >= length)
        fail(QStringLiteral("the CoR %1 is outside the line of %2 samples").arg(s.cor).arg(length));
    s.slices =
        sliceList(parser.isSet(QStringLiteral("slices")) ? parser.value(QStringLiteral("slices"))
                                                         : QString::number(lines / 2),
                  lines);

    ProcParams& p = s.inputs.params;
    p.dataSetImages = set.count();
    p.usingImages = set.count();
    p.dataSetRangeDeg = number(parser.value(QStringLiteral("range")), QStringLiteral("range"));
    p.angleOriginDeg = number(parser.value(QStringLiteral("origin")), QStringLiteral("origin"));
    if (parser.isSet(QStringLiteral("partial"))) {
        const QStringList parts = parser.value(QStringLiteral("partial")).split(u':');
        if (parts.size() != 2)
            fail(QStringLiteral("--partial takes START:COUNT"));
        s.inputs.usePartial = true;
        p.startImageNo = integer(parts.at(0), QStringLiteral("partial"));
        p.usingImages = integer(parts.at(1), QStringLiteral("partial"));
        if (p.startImageNo < 0 || p.startImageNo >= set.count())
            p.startImageNo = 0;
    }
    if (parser.isSet(QStringLiteral("region"))) {
        const QStringList parts = parser.value(QStringLiteral("region")).split(u',');
        if (parts.size() != 4)
            fail(QStringLiteral("--region takes X0,Z0,X1,Z1"));
        const QString r = QStringLiteral("region");
        s.inputs.region = {number(parts[0], r), number(parts[1], r), number(parts[2], r),
                           number(parts[3], r)};
        s.inputs.regionSet = true;
    }
    const QStringList limits = parser.value(QStringLiteral("limits")).split(u':');
    if (limits.size() != 2)
        fail(QStringLiteral("--limits takes LOW:HIGH"));
    p.lowerLimit = number(limits[0], QStringLiteral("limits"));
    p.upperLimit = number(limits[1], QStringLiteral("limits"));
    p.offset = number(parser.value(QStringLiteral("offset")), QStringLiteral("offset"));

    const QStringList save = parser.value(QStringLiteral("save")).split(u',', Qt::SkipEmptyParts);
    for (const QString& kind : save)
        if (kind != QLatin1String("data") && kind != QLatin1String("png"))
            fail(QStringLiteral("--save takes data and/or png, not \"%1\"").arg(kind));
    const QString out = parser.value(QStringLiteral("out"));
    const QString name = parser.value(QStringLiteral("name"));
    const QString tag = parser.value(QStringLiteral("tag"));
    s.data = {save.contains(QLatin1String("data")), out, name, tag};
    s.image = {save.contains(QLatin1String("png")), out, name, tag};
    if (parser.isSet(QStringLiteral("sub-folders"))) {
        const QStringList kinds = parser.value(QStringLiteral("sub-folders")).split(u',');
        s.folders = {true, kinds.contains(QLatin1String("energy")),
                     kinds.contains(QLatin1String("slice"))};
    }
    s.threads = parser.isSet(QStringLiteral("threads"))
                    ? integer(parser.value(QStringLiteral("threads")), QStringLiteral("threads"))
                    : QThread::idealThreadCount();
    if (s.threads < 1)
        fail(QStringLiteral("--threads needs at least 1"));

    ReconRun run(s);
    QElapsedTimer timer;
    timer.start();
    if (parser.isSet(QStringLiteral("progress")) || isatty(STDERR_FILENO))
        QObject::connect(&run, &ReconRun::sliceDone, [&timer](int done, int total) {
            const double seconds = timer.elapsed() / 1000.0;
            const double rate = done / std::max(seconds, 1e-3);
            std::fprintf(stderr, "\r%d / %d slices, %.2f slices/s, %.0f s left   ", done, total,
                         rate, (total - done) / rate);
            if (done == total)
                std::fputc('\n', stderr);
        });
    QMap<int, QString> truthReport;
    if (parser.isSet(QStringLiteral("truth")))
        QObject::connect(&run, &ReconRun::sliceResult, [&](const Ct2Result& r) {
            truthReport.insert(r.slice,
                               truthError(r, parser.value(QStringLiteral("truth")), s.cor));
        });
    run.run();
    if (!run.failures().isEmpty())
        fail(QStringLiteral("%1 file(s) could not be written, first %2")
                 .arg(run.failures().size())
                 .arg(run.failures().first()));
    std::printf("%d slice(s) reconstructed, %lld file(s) written to %s\n", run.slicesDone(),
                qint64(run.written().size()), qPrintable(out));
    for (const QString& line : truthReport)
        std::printf("%s\n", qPrintable(line));
    return 0;
}
