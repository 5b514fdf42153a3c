#include "reconcli.h"

#include "imageio/imgdatas.h"
#include "recon/corfinder.h"
#include "recon/fbpfilter.h"
#include "recon/reconrun.h"
#include "recon/ringfilter.h"
#include "recon/sinogrambuilder.h"
#include "xafs/seriesplan.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace
{

// The last message of the readers, which names the file and the reason for a refusal.
QString g_lastReason;
bool g_verbose = false;
QString g_program = QStringLiteral("cirvo-recon");
bool g_speaks = true;

void messages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (context.category && QByteArray(context.category).startsWith("cirvo."))
        g_lastReason = text;
    if (g_verbose || type >= QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

using ReconCli::fail;

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

// The image, or null with *why set.
std::shared_ptr<ImgData> loadSingle(const QString& file, const QString& what, QString* why)
{
    g_lastReason.clear();
    std::shared_ptr<ImgData> img = ImgData::loadFirstFrame(file);
    if (img && img->valid)
        return img;
    *why = QStringLiteral("cannot read the %1 image %2: %3").arg(what, file, reason());
    return {};
}

// Every frame of every file into `set`; empty, or why the images cannot form one data set.
QString loadImages(const QStringList& files, ImgDatas& set)
{
    for (const QString& file : files) {
        g_lastReason.clear();
        const int frames = ImgDatas::frameCountOf(file);
        if (frames < 1)
            return QStringLiteral("cannot read %1: %2").arg(file, reason());
        for (int k = 0; k < frames; ++k) {
            g_lastReason.clear();
            if (!set.add(file, k))
                return QStringLiteral("cannot use frame %1 of %2: %3").arg(k).arg(file, reason());
        }
    }
    return {};
}

// Empty, or why an I0 or BG image does not fit the images.
QString sizeMismatch(const ImgData* img, const QString& what, const ImgDatas& set)
{
    if (!img || (img->width == set.width && img->height == set.height))
        return {};
    return QStringLiteral("the %1 image %2 is %3 x %4, the images %5 x %6")
        .arg(what, img->fileName)
        .arg(img->width)
        .arg(img->height)
        .arg(set.width)
        .arg(set.height);
}

QStringList words(const QString& text)
{
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// The slices that --slices A[:B[:S]] names, A to B with step S; parsed once, checked against
// each set's lines.
struct SliceRange {
    qint64 from = 0;
    qint64 to = 0;
    qint64 step = 1;
    bool middle = true; // not given: the middle line

    static SliceRange parse(const QString& text)
    {
        SliceRange r;
        if (text.isEmpty())
            return r;
        const QStringList parts = text.split(u':');
        if (parts.size() > 3)
            fail(QStringLiteral("--slices takes A[:B[:S]], not \"%1\"").arg(text));
        r.middle = false;
        r.from = integer(parts.at(0), QStringLiteral("slices"));
        r.to = parts.size() > 1 ? integer(parts.at(1), QStringLiteral("slices")) : r.from;
        // 64 bits: the magnitude of the lowest int does not fit an int.
        r.step =
            parts.size() > 2 ? std::abs(qint64(integer(parts.at(2), QStringLiteral("slices")))) : 1;
        if (r.step == 0)
            fail(QStringLiteral("--slices needs a step other than 0"));
        return r;
    }

    qint64 count() const { return middle ? 1 : std::abs(to - from) / step + 1; }

    // The slices of a set with `lines` lines; empty with *why when one lies outside them.
    QList<int> of(int lines, QString* why) const
    {
        if (middle)
            return {lines / 2};
        QList<int> slices;
        const qint64 stride = to >= from ? step : -step;
        // Ends at the first slice outside, within lines + 1 steps.
        for (qint64 i = 0, s = from; i < count(); ++i, s += stride) {
            if (s < 0 || s >= lines) {
                *why = QStringLiteral("slice %1 is outside the %2 lines of the images")
                           .arg(s)
                           .arg(lines);
                return {};
            }
            slices << int(s);
        }
        return slices;
    }
};

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

namespace
{

// What the options say for every data set of a run.
struct Job {
    ReconRun::Settings base;
    QString axis;
    QString cor;
    SliceRange slices;
    QString out;
    QString tag;
    bool tagGiven = false;
    std::shared_ptr<ImgData> i0;
    std::shared_ptr<ImgData> bg;
    QString truth;
};

Job readJob(const QCommandLineParser& parser)
{
    Job job;
    ReconRun::Settings& s = job.base;
    const QString axis = parser.value(QStringLiteral("axis"));
    if (axis != QLatin1String("v") && axis != QLatin1String("h"))
        fail(QStringLiteral("--axis takes v or h, not \"%1\"").arg(axis));
    s.rotAxIsV = axis == QLatin1String("v");
    if (parser.isSet(QStringLiteral("cor")))
        job.cor = parser.value(QStringLiteral("cor"));
    // Refused here, before any process of a run goes its own way.
    if (!job.cor.isEmpty() && job.cor != QLatin1String("auto"))
        number(job.cor, QStringLiteral("cor"));
    job.slices = SliceRange::parse(parser.value(QStringLiteral("slices")));

    ProcParams& p = s.inputs.params;
    p.dataSetRangeDeg = number(parser.value(QStringLiteral("range")), QStringLiteral("range"));
    p.angleOriginDeg = number(parser.value(QStringLiteral("origin")), QStringLiteral("origin"));
    if (parser.isSet(QStringLiteral("partial"))) {
        const QStringList parts = parser.value(QStringLiteral("partial")).split(u':');
        if (parts.size() != 2)
            fail(QStringLiteral("--partial takes START:COUNT"));
        s.inputs.usePartial = true;
        p.startImageNo = integer(parts.at(0), QStringLiteral("partial"));
        p.usingImages = integer(parts.at(1), QStringLiteral("partial"));
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

    const QString filter = parser.value(QStringLiteral("filter"));
    const std::optional<FbpFilter::Window> window = FbpFilter::windowFromName(filter);
    if (!window)
        fail(QStringLiteral("--filter takes %1, not \"%2\"")
                 .arg(FbpFilter::windowNames().join(u'|'), filter));
    p.filter = {*window, parser.isSet(QStringLiteral("pad"))};
    const QString precision = parser.value(QStringLiteral("precision"));
    if (precision != QLatin1String("double") && precision != QLatin1String("single"))
        fail(QStringLiteral("--precision takes double or single, not \"%1\"").arg(precision));
    p.singlePrecision = precision == QLatin1String("single");
    if (parser.isSet(QStringLiteral("rings"))) {
        QString why;
        const std::optional<RingOptions> rings =
            RingOptions::parse(parser.value(QStringLiteral("rings")), &why);
        if (!rings)
            fail(QStringLiteral("--rings: %1").arg(why));
        p.rings = *rings;
    }

    const QStringList save = parser.value(QStringLiteral("save")).split(u',', Qt::SkipEmptyParts);
    const QStringList kinds{"data", "png", "tiff", "tiff-stack", "h5"};
    for (const QString& kind : save)
        if (!kinds.contains(kind))
            fail(QStringLiteral("--save takes some of %1, not \"%2\"").arg(kinds.join(u','), kind));
    job.out = parser.value(QStringLiteral("out"));
    const QString name = parser.value(QStringLiteral("name"));
    job.tag = parser.value(QStringLiteral("tag"));
    job.tagGiven = parser.isSet(QStringLiteral("tag"));
    s.data = {save.contains(QLatin1String("data")), job.out, name, job.tag};
    s.image = {save.contains(QLatin1String("png")), job.out, name, job.tag};
    s.floats.tiff = save.contains(QLatin1String("tiff"));
    s.floats.path = job.out;
    s.floats.name = name;
    s.tiffStack = save.contains(QLatin1String("tiff-stack"));
    s.hdf5 = save.contains(QLatin1String("h5"));
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

    QString why;
    for (const auto& [option, slot, what] :
         {std::tuple{"i0", &job.i0, "I0"}, std::tuple{"bg", &job.bg, "BG"}}) {
        if (!parser.isSet(QLatin1String(option)))
            continue;
        *slot = loadSingle(parser.value(QLatin1String(option)), QLatin1String(what), &why);
        if (!*slot)
            fail(why);
    }
    if (parser.isSet(QStringLiteral("truth")))
        job.truth = parser.value(QStringLiteral("truth"));
    return job;
}

// The settings of one data set: its images, its I0 and the slices and CoR that the options
// give for its size; empty, or why no set of this size can meet them.
QString settingsFor(const Job& job, const ImgDatas& set, const QString& tag,
                    ReconRun::Settings* out)
{
    ReconRun::Settings& s = *out;
    s = job.base;
    s.inputs.images = set.snapshot();
    const int length = SinogramBuilder::lineLength(*s.inputs.images, s.rotAxIsV);
    const int lines = s.rotAxIsV ? set.height : set.width;
    QString why;
    s.slices = job.slices.of(lines, &why);
    if (!why.isEmpty())
        return why;
    ProcParams& p = s.inputs.params;
    p.dataSetImages = set.count();
    if (!s.inputs.usePartial)
        p.usingImages = set.count();
    else if (p.startImageNo < 0 || p.startImageNo >= set.count())
        p.startImageNo = 0;
    s.data.tag = tag;
    s.image.tag = tag;
    s.floats.tag = tag;
    if (p.filter.pad && FbpFilter::paddedLength(length) == 0)
        return QStringLiteral("--pad: padding lines of %1 samples would exceed memory").arg(length);
    if (job.cor == QLatin1String("auto"))
        return {};
    s.cor = job.cor.isEmpty() ? length / 2.0 : number(job.cor, QStringLiteral("cor"));
    if (std::floor(s.cor) <= 0 || std::ceil(s.cor) >= length)
        return QStringLiteral("the CoR %1 is outside the line of %2 samples")
            .arg(s.cor)
            .arg(length);
    return {};
}

// With --cor auto, the centre found in the set's own projections over all its slices (every
// process of a run finds the same), reported; empty, or why none was found.
QString findCor(const Job& job, ReconRun::Settings& s, const QString& label, ReconTeam& team)
{
    if (job.cor != QLatin1String("auto"))
        return {};
    const ImageSet& images = *s.inputs.images;
    SinogramRequest request;
    request.rotAxIsV = s.rotAxIsV;
    request.usePartial = s.inputs.usePartial;
    request.usingImages = s.inputs.params.usingImages;
    request.startImageNo = s.inputs.params.startImageNo;
    const std::optional<double> cor =
        CorFinder::findInSet(images, request, s.slices, s.inputs.params.dataSetRangeDeg);
    const int length = SinogramBuilder::lineLength(images, s.rotAxIsV);
    if (!cor || std::floor(*cor) <= 0 || std::ceil(*cor) >= length)
        return QStringLiteral("cannot find the centre of rotation: no object that stays inside "
                              "the line in every projection");
    s.cor = *cor;
    team.say(QStringLiteral("%1centre of rotation found at %2").arg(label).arg(s.cor, 0, 'f', 3));
    return {};
}

// Reconstructs the slices of one loaded data set; the files that could not be written, as
// "path: reason".
QStringList reconstruct(const Job& job, const ReconRun::Settings& s, const QString& label,
                        ReconTeam& team)
{
    ReconRun run(s);
    QElapsedTimer timer;
    timer.start();
    QObject::connect(&run, &ReconRun::sliceDone, [&](int done, int total) {
        team.sliceDone(label, done, total, timer.elapsed() / 1000.0);
    });
    QMap<int, QString> truthReport;
    if (!job.truth.isEmpty())
        QObject::connect(&run, &ReconRun::sliceResult, [&](const Ct2Result& r) {
            truthReport.insert(r.slice, truthError(r, job.truth, s.cor));
        });
    run.run();
    team.say(QStringLiteral("%1%2 slice(s) reconstructed, %3 file(s) written to %4")
                 .arg(label)
                 .arg(run.slicesDone())
                 .arg(run.written().size())
                 .arg(job.out));
    team.reconstructed(run.slicesDone(), run.written().size());
    for (const QString& line : truthReport)
        team.say(line);
    return run.failures();
}

// One data set of a run, as listed.
struct RunSet {
    QStringList files;
    QString i0File; // empty: the one of --i0
    QString label;  // before its report lines
    QString tag;
    double energy = 0;
    int number = 1;
    QString problem; // found when listing
};

// Loads a set's images and I0 into `set` and `i0`; empty, or why it cannot be reconstructed. A
// set must have the size of the first set loaded (width, height; 0: none yet).
QString loadSet(const Job& job, const RunSet& entry, int width, int height, ImgDatas& set,
                std::shared_ptr<ImgData>& i0)
{
    if (!entry.problem.isEmpty())
        return entry.problem;
    set.width = width;
    set.height = height;
    QString problem = loadImages(entry.files, set);
    i0 = job.i0;
    if (problem.isEmpty() && !entry.i0File.isEmpty())
        i0 = loadSingle(entry.i0File, QStringLiteral("I0"), &problem);
    for (const auto& [img, what] : {std::pair{i0.get(), "I0"}, std::pair{job.bg.get(), "BG"}})
        if (problem.isEmpty())
            problem = sizeMismatch(img, QLatin1String(what), set);
    return problem;
}

SeriesPlan::Source seriesSource(const QCommandLineParser& parser)
{
    SeriesPlan::Source source;
    const QString layout = parser.value(QStringLiteral("layout"));
    const QList<std::pair<QString, DataSetList::Layout>> layouts = {
        {QStringLiteral("dirs"), DataSetList::EngDirs},
        {QStringLiteral("brel"), DataSetList::BrelStd},
        {QStringLiteral("zeph"), DataSetList::ZephStd}};
    source.layout = DataSetList::NoLayout;
    for (const auto& [word, value] : layouts)
        if (layout == word)
            source.layout = value;
    if (source.layout == DataSetList::NoLayout)
        fail(QStringLiteral("--layout takes dirs, brel or zeph, not \"%1\"").arg(layout));
    source.dir = parser.value(QStringLiteral("series"));
    if (parser.isSet(QStringLiteral("pattern")))
        source.patterns = words(parser.value(QStringLiteral("pattern")));
    source.metaFile = parser.value(QStringLiteral("meta"));
    if (source.layout == DataSetList::ZephStd && source.metaFile.isEmpty())
        fail(QStringLiteral("--layout zeph needs --meta FILE"));
    source.i0Dir = parser.value(QStringLiteral("i0-dir"));
    if (parser.isSet(QStringLiteral("i0-pattern")))
        source.i0Patterns = words(parser.value(QStringLiteral("i0-pattern")));
    if (!source.i0Dir.isEmpty() && parser.isSet(QStringLiteral("i0")))
        fail(QStringLiteral("--i0 and --i0-dir exclude each other"));
    if (source.layout == DataSetList::ZephStd &&
        (!source.i0Dir.isEmpty() || parser.isSet(QStringLiteral("i0"))))
        fail(QStringLiteral("a Zeph series takes each set's I0 file from its meta file"));
    return source;
}

// The 0-based range of sets that --sets FROM:TO names, clipped to the list.
std::pair<int, int> setRange(const QCommandLineParser& parser, int count)
{
    if (!parser.isSet(QStringLiteral("sets")))
        return {0, count - 1};
    const QStringList parts = parser.value(QStringLiteral("sets")).split(u':');
    if (parts.size() != 2)
        fail(QStringLiteral("--sets takes FROM:TO"));
    const int from = integer(parts[0], QStringLiteral("sets"));
    const int to = integer(parts[1], QStringLiteral("sets"));
    if (from < 1 || to < from)
        fail(QStringLiteral("--sets needs 1 <= FROM <= TO, not %1:%2").arg(from).arg(to));
    return {from - 1, std::min(to, count) - 1};
}

void printList(const QList<SeriesSet>& sets)
{
    std::printf("%-4s %-32s %12s %6s  %s\n", "set", "name", "energy/eV", "files", "I0");
    for (const SeriesSet& set : sets)
        std::printf("%-4d %-32s %12s %6lld  %s\n", set.number, qPrintable(set.name),
                    qPrintable(QString::number(set.energy, 'g', 10)), qint64(set.files.size()),
                    qPrintable(set.problem.isEmpty()
                                   ? (set.i0File.isEmpty() ? QStringLiteral("-") : set.i0File)
                                   : QStringLiteral("(%1)").arg(set.problem)));
}

// The sets of the series that --sets names; with --list, none, after printing them.
QList<RunSet> seriesSets(const Job& job, const QCommandLineParser& parser, ReconTeam& team,
                         bool* listOnly)
{
    SeriesPlan plan;
    QString why;
    if (!plan.list(seriesSource(parser), &why))
        fail(why);
    *listOnly = parser.isSet(QStringLiteral("list"));
    if (*listOnly) {
        if (team.leads())
            printList(plan.sets());
        return {};
    }
    const auto [first, last] = setRange(parser, int(plan.sets().size()));
    QList<RunSet> sets;
    for (int i = first; i <= last; ++i) {
        const SeriesSet& entry = plan.sets().at(i);
        RunSet set;
        set.files = entry.files;
        set.i0File = entry.i0File;
        set.label = QStringLiteral("set %1 (%2, %3 of %4): ")
                        .arg(entry.number)
                        .arg(entry.energyText)
                        .arg(i - first + 1)
                        .arg(last - first + 1);
        set.tag = job.tagGiven ? job.tag : entry.energyText;
        set.energy = entry.energy;
        set.number = entry.number;
        set.problem = entry.problem;
        sets << set;
    }
    return sets;
}

// This process's part of the sets: each block's slices in turn. In a series a set that cannot
// be read is reported and passed over, nothing written for it; a single data set that cannot
// be read, settings that no set of its size meets, or a file that cannot be written end the
// run. False when something was reported.
bool runBlocks(const Job& job, const QList<RunSet>& sets, bool series, ReconTeam& team)
{
    const qint64 slices = job.slices.count();
    const bool wholeSets = job.base.tiffStack || job.base.hdf5;
    const QList<WorkShare::Block> blocks = team.share().blocks(
        int(sets.size()), int(std::min<qint64>(slices, std::numeric_limits<int>::max())),
        wholeSets);
    team.begin(sets.size() * slices);
    int width = 0;
    int height = 0;
    // Every set must have the size of the first readable one, also when another process takes
    // that set.
    for (int i = 0; i < (blocks.isEmpty() ? 0 : blocks.first().set) && width == 0; ++i) {
        ImgDatas set;
        std::shared_ptr<ImgData> i0;
        if (loadSet(job, sets.at(i), 0, 0, set, i0).isEmpty()) {
            width = set.width;
            height = set.height;
        }
    }
    QStringList skipped;
    for (const WorkShare::Block& block : blocks) {
        const RunSet& entry = sets.at(block.set);
        ImgDatas set;
        std::shared_ptr<ImgData> i0;
        QString problem = loadSet(job, entry, width, height, set, i0);
        ReconRun::Settings settings;
        if (problem.isEmpty()) {
            width = set.width;
            height = set.height;
            set.setI0Slot(&i0);
            set.setBGSlot(&job.bg);
            const QString unmet = settingsFor(job, set, entry.tag, &settings);
            if (!unmet.isEmpty()) {
                team.problem(unmet);
                return false;
            }
            if (entry.energy > 0)
                settings.floats.energyEv = entry.energy;
            problem = findCor(job, settings, entry.label, team);
        }
        if (!problem.isEmpty() && !series) {
            team.problem(problem);
            return false;
        }
        if (!problem.isEmpty()) {
            team.problem(QStringLiteral("%1skipped: %2").arg(entry.label, problem));
            skipped << QString::number(entry.number);
            continue;
        }
        settings.slices = settings.slices.mid(block.first, block.end - block.first);
        const QStringList failures = reconstruct(job, settings, entry.label, team);
        if (!failures.isEmpty()) {
            team.problem(QStringLiteral("%1 file(s) could not be written, first %2")
                             .arg(failures.size())
                             .arg(failures.first()));
            return false;
        }
    }
    if (!skipped.isEmpty())
        team.problem(QStringLiteral("%1 data set(s) skipped: %2")
                         .arg(skipped.size())
                         .arg(skipped.join(u' ')));
    return skipped.isEmpty();
}

} // namespace

void ReconCli::setProgram(const QString& name, bool speaks)
{
    g_program = name;
    g_speaks = speaks;
}

void ReconCli::installMessageHandler()
{
    qInstallMessageHandler(messages);
}

void ReconCli::fail(const QString& message)
{
    if (g_speaks)
        std::fprintf(stderr, "%s: %s\n", qPrintable(g_program), qPrintable(message));
    std::exit(1);
}

void ReconCli::addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Reconstructs slices of a CT data set, or of each data set of a CT-XAFS series, by "
        "filtered back-projection and saves them as pictures and #CIRVO-CTImg data files, as "
        "the multi-slice path of Cirvo does."));
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
    option("cor",
           "Centre of rotation (default: half the line length), or auto: found in each data "
           "set's projections and printed.",
           "X|auto");
    option("slices", "One slice, or A to B with step S (default: the middle line).", "A[:B[:S]]");
    option("range", "Angular range of the data set in degrees.", "DEG", "180");
    option("origin", "Angle of the first image in degrees.", "DEG", "0");
    option("partial", "Use COUNT images from START, wrapping round.", "START:COUNT");
    option("region", "Calculation region (default: the whole slice).", "X0,Z0,X1,Z1");
    option("out", "Output directory.", "DIR", ".");
    option("name", "File name stem.", "NAME", "slice");
    option("tag",
           "Tag in the file names (and energy sub-folder); a series: each set's energy "
           "text.",
           "TAG", "");
    option("save",
           "Files to write, any of: data (#CIRVO-CTImg text), png, tiff (32-bit float per "
           "slice), tiff-stack (one multi-page float TIFF per data set), h5 (one HDF5 file per "
           "data set).",
           "LIST", "data,png");
    option("sub-folders", "Sub-folders: energy, slice or both.", "LIST");
    option("filter",
           "Reconstruction filter: the ramp, or the ramp times a window that lowers the noise "
           "(shepp-logan least, hann most).",
           "ramp|shepp-logan|cosine|hamming|hann", "ramp");
    option("precision",
           "Arithmetic of the reconstruction: double (exact sums, the default) or single "
           "(float, about 1.6 times as fast in the back-projection, within about 1e-6 of the "
           "slice's range).",
           "double|single", "double");
    option("pad", "Zero-pad each projection to a power of two at least twice its width before "
                  "filtering: no mean offset or cupping.");
    option("rings",
           qPrintable(QStringLiteral("Ring removal on each sinogram:\n") + RingOptions::help()),
           "METHOD[:STRENGTH]|auto|off");
    option("limits", "Clipping of the data file.", "LOW:HIGH", "-10:10");
    option("offset", "Offset added to the data file's values.", "X", "10");
    option("threads", "Workers (default: hardware threads).", "N");
    option("truth", "Ground-truth slices (cirvo-phantom's truth.his) to compare with.", "FILE");
    option("progress", "Report progress on stderr even when it is not a terminal.");
    option("verbose", "Show the readers' debug messages.");
    option("series", "Reconstruct every data set of the CT-XAFS series in DIR.", "DIR");
    option("layout", "Series layout: energy sub-directories, Brel names or a Zeph meta file.",
           "dirs|brel|zeph", "dirs");
    option("pattern", "Image name patterns inside a set (dirs; brel: the whole text as one).",
           "\"P1 P2\"", "*.img");
    option("meta", "The Zeph meta file (zeph).", "FILE");
    option("i0-dir", "I0 files, one per energy: each set takes the one nearest its energy.", "DIR");
    option("i0-pattern", "Name patterns of the I0 files.", "\"P1 P2\"", "*.img");
    option("sets", "The sets FROM to TO of the series, 1-based (default all).", "FROM:TO");
    option("list", "Print the data sets of the series and exit.");
}

int ReconCli::run(const QCommandLineParser& parser, ReconTeam& team)
{
    g_verbose = parser.isSet(QStringLiteral("verbose"));
    const bool series = parser.isSet(QStringLiteral("series"));
    const QStringList raws = parser.positionalArguments();
    if (series && !raws.isEmpty())
        fail(QStringLiteral("--series takes no image files"));
    if (!series && raws.isEmpty())
        fail(QStringLiteral("no image files given (see --help)"));
    if (!series)
        for (const char* seriesOnly :
             {"layout", "pattern", "meta", "i0-dir", "i0-pattern", "sets", "list"})
            if (parser.isSet(QLatin1String(seriesOnly)))
                fail(QStringLiteral("--%1 needs --series").arg(QLatin1String(seriesOnly)));
    const Job job = readJob(parser);
    QList<RunSet> sets;
    if (series) {
        bool listOnly = false;
        sets = seriesSets(job, parser, team, &listOnly);
        if (listOnly)
            return team.finish(false);
    } else {
        RunSet set;
        set.files = raws;
        set.tag = job.tag;
        sets << set;
    }
    return team.finish(!runBlocks(job, sets, series, team));
}

void LocalTeam::sliceDone(const QString& label, int done, int total, double seconds)
{
    if (!m_progress)
        return;
    const double rate = done / std::max(seconds, 1e-3);
    std::fprintf(stderr, "\r%s%d / %d slices, %.2f slices/s, %.0f s left   ", qPrintable(label),
                 done, total, rate, (total - done) / rate);
    if (done == total)
        std::fputc('\n', stderr);
}

void LocalTeam::say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void LocalTeam::problem(const QString& line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(g_program), qPrintable(line));
}
