// Reconstructs slices of a full-size data set one after another and prints the time per slice
// split into sinogram, filter, back-projection and file writing, for either engine, then the
// same slices end to end on a pool of workers (ReconRun, data and png files written), and the
// peak resident memory. The frames stay in their file: each slice reads its row of each frame.
//   cirvo-bench-fullsize DIR [SLICES] [WORKERS]
// DIR holds phantom.his, I0.img and BG.img as cirvo-phantom writes them, e.g. (about 15 GB):
//   cirvo-phantom --out DIR --width 2048 --height 2048 --projections 1800 --no-truth
// SLICES (default 4) are spread over the height; WORKERS defaults to 2.
#include "display/greyscale.h"
#include "imageio/datafile.h"
#include "imageio/imgdatas.h"
#include "recon/fbpcore.h"
#include "recon/fbpcoref.h"
#include "recon/reconrun.h"
#include "recon/sinogrambuilder.h"
#include "recon/slicefiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace
{

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "cirvo-bench-fullsize: %s\n", qPrintable(message));
    std::exit(1);
}

std::shared_ptr<ImgData> loadSingle(const QString& file)
{
    std::shared_ptr<ImgData> img = ImgData::loadFirstFrame(file);
    if (!img || !img->valid)
        fail(QStringLiteral("cannot read %1").arg(file));
    return img;
}

struct DataSet {
    std::shared_ptr<const ImageSet> images;
    double loadSeconds = 0;
};

DataSet load(const QString& dir)
{
    QElapsedTimer timer;
    timer.start();
    ImgDatas frames;
    const QString his = dir + QStringLiteral("/phantom.his");
    for (int k = 0, count = ImgDatas::frameCountOf(his); k < count; ++k)
        if (!frames.add(his, k))
            fail(QStringLiteral("cannot use frame %1 of %2").arg(k).arg(his));
    if (frames.count() == 0)
        fail(QStringLiteral("no frames in %1").arg(his));
    const std::shared_ptr<ImgData> i0 = loadSingle(dir + QStringLiteral("/I0.img"));
    const std::shared_ptr<ImgData> bg = loadSingle(dir + QStringLiteral("/BG.img"));
    frames.setI0Slot(&i0);
    frames.setBGSlot(&bg);
    return {frames.snapshot(), timer.nsecsElapsed() * 1e-9};
}

QList<int> spreadSlices(int height, int count)
{
    QList<int> slices;
    for (int i = 0; i < count; ++i)
        slices << int((i + 0.5) * height / count);
    return slices;
}

double peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // KiB on Linux
}

struct Stages {
    double sinogram = 0;
    double filter = 0;
    double backProjection = 0;
    double dataText = 0;
    double png = 0;
};

// Seconds since the last call.
class Lap
{
public:
    Lap() { m_timer.start(); }
    double next()
    {
        const qint64 now = m_timer.nsecsElapsed();
        const double seconds = (now - m_last) * 1e-9;
        m_last = now;
        return seconds;
    }

private:
    QElapsedTimer m_timer;
    qint64 m_last = 0;
};

template <typename Core>
Stages measureStages(Core& core, const ImageSet& set, const QList<int>& slices, double cor,
                     const QString& out)
{
    const ProcParams p;
    Stages total;
    HSgm sgm;
    for (const int slice : slices) {
        Lap lap;
        SinogramRequest request;
        request.cor = cor;
        request.slice = slice;
        if (!SinogramBuilder::build(set, request, sgm) || !sgm.hasData())
            fail(QStringLiteral("no sinogram for slice %1").arg(slice));
        total.sinogram += lap.next();

        const int n = (sgm.width / 2) * 2;
        if (!core.prepare(n, sgm.rows))
            fail(QStringLiteral("cannot prepare the engine for N = %1").arg(n));
        core.clearResult();
        for (int r = 0; r < sgm.rows; ++r)
            core.forward(r, sgm.absorptionRow(r));
        for (int r = 0; r < sgm.rows; ++r)
            core.filterScaling(r, 1.0 / (double(n) * sgm.rows));
        total.filter += lap.next();

        const FbpRegion whole{0, 0, double(n), double(n)};
        core.backProjectAll(sgm.rows, FbpAngles::delta(180, sgm.rows), 0, whole);
        total.backProjection += lap.next();

        std::vector<double> values;
        if constexpr (std::is_same_v<Core, FbpCoreF>)
            values = core.resultAsDoubles();
        else
            values = core.result();
        QFile text(QStringLiteral("%1/slice%2.txt").arg(out).arg(slice));
        const QByteArray bytes =
            SliceFiles::sliceText(values, n, whole, p.lowerLimit, p.upperLimit, p.offset);
        if (!text.open(QIODevice::WriteOnly) || text.write(bytes) != bytes.size())
            fail(QStringLiteral("cannot write %1").arg(text.fileName()));
        text.close();
        total.dataText += lap.next();

        GreyScale scale;
        GreyScale::range(values, scale.minV, scale.maxV);
        if (!scale.toImage(values, n).save(QStringLiteral("%1/slice%2.png").arg(out).arg(slice)))
            fail(QStringLiteral("cannot write the picture of slice %1").arg(slice));
        total.png += lap.next();
    }
    return total;
}

void printStages(const char* engine, const Stages& t, int slices)
{
    const double k = 1.0 / slices;
    const double all = t.sinogram + t.filter + t.backProjection + t.dataText + t.png;
    std::printf("  %-7s sinogram %6.3f  filter %6.3f  back-projection %6.3f  data text %6.3f  "
                "png %6.3f  all %6.3f s\n",
                engine, t.sinogram * k, t.filter * k, t.backProjection * k, t.dataText * k,
                t.png * k, all * k);
    std::fflush(stdout);
}

double endToEnd(const DataSet& set, const QList<int>& slices, double cor, int workers, bool single,
                const QString& out)
{
    ReconRun::Settings s;
    s.inputs.images = set.images;
    ProcParams& p = s.inputs.params;
    p.dataSetImages = set.images->count();
    p.usingImages = set.images->count();
    p.dataSetRangeDeg = 180;
    p.singlePrecision = single;
    s.rotAxIsV = true;
    s.cor = cor;
    s.slices = slices;
    s.threads = workers;
    s.data = {true, out, QStringLiteral("slice"), QString()};
    s.image = {true, out, QStringLiteral("slice"), QString()};
    QElapsedTimer timer;
    timer.start();
    ReconRun run(s);
    run.run();
    if (run.slicesDone() != slices.size() || !run.failures().isEmpty())
        fail(QStringLiteral("the multi-slice run failed"));
    return timer.nsecsElapsed() * 1e-9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("cirvo.*.debug=false"));
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        fail(QStringLiteral("usage: cirvo-bench-fullsize DIR [SLICES] [WORKERS]"));
    const int count = args.size() > 1 ? args[1].toInt() : 4;
    const int workers = args.size() > 2 ? args[2].toInt() : 2;
    if (count < 1 || workers < 1)
        fail(QStringLiteral("SLICES and WORKERS must be at least 1"));
    QTemporaryDir out;
    if (!out.isValid())
        fail(QStringLiteral("no temporary directory"));

    const qint64 readBefore = DataFile::bytesReadCount();
    const DataSet set = load(args[0]);
    const ImageSet& images = *set.images;
    const double cor = images.width / 2.0;
    std::printf("%d frames of %d x %d, loaded in %.3f s reading %lld bytes; peak RSS %.0f MiB\n",
                images.count(), images.width, images.height, set.loadSeconds,
                static_cast<long long>(DataFile::bytesReadCount() - readBefore), peakResidentMiB());
    std::printf("time per slice on one thread, %d slices, files written:\n", count);
    {
        FbpCore core;
        printStages(
            "double",
            measureStages(core, images, spreadSlices(images.height, count), cor, out.path()),
            count);
    }
    {
        FbpCoreF core;
        printStages(
            "single",
            measureStages(core, images, spreadSlices(images.height, count), cor, out.path()),
            count);
    }
    std::printf("peak RSS after the single-thread runs %.0f MiB\n", peakResidentMiB());
    const QList<int> slices = spreadSlices(images.height, 2 * count);
    for (const bool single : {false, true}) {
        const double seconds = endToEnd(set, slices, cor, workers, single, out.path());
        std::printf("end to end, %s, %d workers, %lld slices: %.3f s per slice\n",
                    single ? "single" : "double", workers, static_cast<long long>(slices.size()),
                    seconds / double(slices.size()));
        std::fflush(stdout);
    }
    std::printf("peak RSS %.0f MiB\n", peakResidentMiB());
    return 0;
}
