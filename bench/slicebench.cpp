// Measures the parts of one reconstructed slice beside the back-projection, on phantom data
// sets of N + 4 samples per line and R = 1.5 N projections (16-bit ITEX frames of a few
// lines): the sinogram for either rotation axis, the filter, the back-projection, the picture
// and the data file text. Then the multi-slice throughput of ReconRun with 1 and 2 workers,
// and the peak resident memory.
//   cirvo-bench-slice [N...]          (even N; default 512 1024 2048)
#include "display/greyscale.h"
#include "imageio/imgdatas.h"
#include "phantom/phantomwriter.h"
#include "recon/fbpcore.h"
#include "recon/reconrun.h"
#include "recon/sinogrambuilder.h"
#include "recon/slicefiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace
{

// Lines per frame: enough for a middle slice, few enough to keep N = 2048 small on disk.
constexpr int FrameLines = 4;
constexpr int Repeats = 3;
constexpr int ThroughputN = 512;
constexpr int ThroughputSlices = 16;

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "cirvo-bench-slice: %s\n", qPrintable(message));
    std::exit(1);
}

// The centre of rotation that gives a window of exactly n samples on a line of n + 4.
double corFor(int n)
{
    return n / 2.0 + 1.5;
}

std::shared_ptr<ImgData> loadSingle(const QString& file)
{
    std::shared_ptr<ImgData> img = ImgData::loadFirstFrame(file);
    if (!img || !img->valid)
        fail(QStringLiteral("cannot read %1").arg(file));
    return img;
}

// Writes a phantom data set and loads it; the snapshot keeps the images.
std::shared_ptr<const ImageSet> makeDataSet(const QString& dir, int n, int lines,
                                            PhantomWriter::Axis axis)
{
    PhantomWriter::Settings s;
    s.outDir = dir;
    s.name = QStringLiteral("bench");
    const bool vertical = axis == PhantomWriter::Axis::Vertical;
    s.width = vertical ? n + 4 : lines;
    s.height = vertical ? lines : n + 4;
    s.projections = n * 3 / 2;
    s.cor = corFor(n);
    s.axis = axis;
    s.truth = false;
    QString error;
    if (!PhantomWriter(s).write(&error))
        fail(error);

    ImgDatas frames;
    const QString his = dir + QStringLiteral("/bench.his");
    for (int k = 0, count = ImgDatas::frameCountOf(his); k < count; ++k)
        if (!frames.add(his, k))
            fail(QStringLiteral("cannot use frame %1 of %2").arg(k).arg(his));
    const std::shared_ptr<ImgData> i0 = loadSingle(dir + QStringLiteral("/I0.img"));
    const std::shared_ptr<ImgData> bg = loadSingle(dir + QStringLiteral("/BG.img"));
    frames.setI0Slot(&i0);
    frames.setBGSlot(&bg);
    return frames.snapshot();
}

template <typename Work> double secondsOf(Work work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() * 1e-9;
}

template <typename Work> double bestOf(Work work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < Repeats; ++i)
        best = std::min(best, secondsOf(work));
    return best;
}

double sinogramSeconds(const ImageSet& set, bool rotAxIsV, int n, HSgm& sgm)
{
    SinogramRequest request;
    request.rotAxIsV = rotAxIsV;
    request.cor = corFor(n);
    request.slice = FrameLines / 2;
    const double seconds = bestOf([&] { SinogramBuilder::build(set, request, sgm); });
    if (sgm.width != n + 1 || sgm.rows != set.count())
        fail(QStringLiteral("sinogram of %1 x %2 for N = %3").arg(sgm.width).arg(sgm.rows).arg(n));
    return seconds;
}

void printSeconds(const char* what, double seconds)
{
    std::printf("  %-36s %9.4f s\n", what, seconds);
}

void measureSlice(int n)
{
    const int rows = n * 3 / 2;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary directory"));
    HSgm vertical;
    HSgm horizontal;
    double verticalSeconds = 0;
    double horizontalSeconds = 0;
    {
        const auto set = makeDataSet(dir.filePath(QStringLiteral("v")), n, FrameLines,
                                     PhantomWriter::Axis::Vertical);
        verticalSeconds = sinogramSeconds(*set, true, n, vertical);
    }
    {
        const auto set = makeDataSet(dir.filePath(QStringLiteral("h")), n, FrameLines,
                                     PhantomWriter::Axis::Horizontal);
        horizontalSeconds = sinogramSeconds(*set, false, n, horizontal);
    }

    FbpCore core;
    const double planSeconds = secondsOf([&] { core.prepare(n, rows); });
    const double filterSeconds = bestOf([&] {
        for (int r = 0; r < rows; ++r)
            core.forward(r, vertical.absorptionRow(r));
        for (int r = 0; r < rows; ++r)
            core.filterScaling(r, 1.0 / (double(n) * rows));
    });
    const FbpRegion whole{0, 0, double(n), double(n)};
    core.clearResult();
    const double backSeconds =
        secondsOf([&] { core.backProjectAll(rows, FbpAngles::delta(180, rows), 0, whole); });

    const std::vector<double>& result = core.result();
    QImage picture;
    const double pictureSeconds = bestOf([&] {
        GreyScale scale;
        GreyScale::range(result, scale.minV, scale.maxV);
        picture = scale.toImage(result, n);
    });
    QByteArray text;
    const double textSeconds =
        bestOf([&] { text = SliceFiles::sliceText(result, n, whole, -10, 10, 10); });

    std::printf("N %d, R %d projections, frames of %d lines (u16), best of %d except the "
                "back-projection:\n",
                n, rows, FrameLines, Repeats);
    printSeconds("sinogram, vertical axis (rows)", verticalSeconds);
    printSeconds("sinogram, horizontal axis (columns)", horizontalSeconds);
    printSeconds("filter plans (once per run)", planSeconds);
    printSeconds("filter", filterSeconds);
    printSeconds("back-projection (backProjectAll)", backSeconds);
    printSeconds("picture (range and toImage)", pictureSeconds);
    printSeconds("data file text", textSeconds);
    std::printf("  %-36s %9.1f MB\n", "data file size", text.size() / 1e6);
    printSeconds("slice besides the back-projection",
                 verticalSeconds + filterSeconds + pictureSeconds + textSeconds);
    std::fflush(stdout);
}

ReconRun::Settings runSettings(const std::shared_ptr<const ImageSet>& set, int n, int threads,
                               const QString& out)
{
    ReconRun::Settings s;
    s.inputs.images = set;
    ProcParams& p = s.inputs.params;
    p.dataSetImages = set->count();
    p.usingImages = set->count();
    p.dataSetRangeDeg = 180;
    s.rotAxIsV = true;
    s.cor = corFor(n);
    for (int slice = 0; slice < ThroughputSlices; ++slice)
        s.slices << slice;
    s.threads = threads;
    const bool save = !out.isEmpty();
    s.data = {save, out, QStringLiteral("slice"), QString()};
    s.image = {save, out, QStringLiteral("slice"), QString()};
    return s;
}

// Slices per second of the best whole run, from the workers' set-up to the last file written.
double slicesPerSecond(const std::shared_ptr<const ImageSet>& set, int n, int threads,
                       const QString& out)
{
    const double seconds = bestOf([&] {
        ReconRun run(runSettings(set, n, threads, out));
        run.run();
        if (run.slicesDone() != ThroughputSlices || !run.failures().isEmpty())
            fail(QStringLiteral("the multi-slice run failed"));
    });
    return ThroughputSlices / seconds;
}

void measureThroughput()
{
    const int n = ThroughputN;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary directory"));
    const auto set = makeDataSet(dir.filePath(QStringLiteral("set")), n, ThroughputSlices,
                                 PhantomWriter::Axis::Vertical);
    std::printf("multi-slice, ReconRun: N %d, R %d projections, %d slices, best of %d runs\n", n,
                n * 3 / 2, ThroughputSlices, Repeats);
    for (const bool save : {false, true}) {
        const QString out = save ? dir.filePath(QStringLiteral("out")) : QString();
        const double one = slicesPerSecond(set, n, 1, out);
        const double two = slicesPerSecond(set, n, 2, out);
        std::printf("  %-24s 1 worker %6.2f slices/s, 2 workers %6.2f slices/s, ratio %.2f\n",
                    save ? "data and png files:" : "no files:", one, two, two / one);
        std::fflush(stdout);
    }
}

double peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // KiB on Linux
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("cirvo.*.debug=false"));
    QList<int> sizes;
    for (const QString& a : app.arguments().mid(1))
        sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {512, 1024, 2048};
    for (const int n : sizes) {
        if (n >= 2 && n % 2 == 0)
            measureSlice(n);
        else
            std::printf("N %d skipped: N must be even and at least 2\n", n);
    }
    measureThroughput();
    std::printf("peak resident memory %.1f MiB\n", peakResidentMiB());
    return 0;
}
