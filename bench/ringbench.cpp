// Ring removal on a striped phantom: detector columns a few per cent too bright, one reading
// nothing and one stuck, reconstructed without a filter and with each RingFilter method; the
// error against the phantom's truth, the ring contrast and the time per sinogram.
//   cirvo-bench-rings [--pictures DIR]
#include "display/greyscale.h"
#include "phantom/phantom.h"
#include "recon/fbpcore.h"
#include "recon/ringfilter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Width = 512;
constexpr int Rows = 720;
constexpr double Radius = 0.45 * Width; // the body reaches 0.8 of it
constexpr double OpenCounts = 1e4;      // a column that reads nothing: ln of the open beam

// Columns from `at` (from the centre, in phantom radii) on, `count` of them, read `gain` times
// the true intensity.
struct Bright {
    double at;
    int count;
    double gain;
};
constexpr Bright BrightColumns[] = {{-0.62, 1, 1.03}, {-0.29, 1, 1.05}, {-0.08, 1, 1.02},
                                    {0.12, 1, 1.04},  {0.35, 1, 1.02},  {0.45, 2, 1.03},
                                    {0.57, 1, 1.05}};
constexpr double EmptyAt = -0.45;
constexpr double StuckAt = 0.22;

int column(double at)
{
    return int(std::lround(Width / 2 + at * Radius));
}

std::vector<double> sinogram(const Phantom& phantom, double counts)
{
    std::vector<double> sgm = phantom.sinogram(0.0, Width, Rows, Width / 2.0);
    return counts > 0 ? Phantom::withPoissonNoise(std::move(sgm), counts, 12345) : sgm;
}

// Bright columns, and with `dead` one column reading nothing (the sinogram builder's floor of
// one count) and one stuck at half the open beam.
std::vector<double> striped(std::vector<double> sgm, bool dead)
{
    for (int r = 0; r < Rows; ++r) {
        double* row = sgm.data() + size_t(r) * Width;
        for (const Bright& b : BrightColumns)
            for (int k = 0; k < b.count; ++k)
                row[column(b.at) + k] -= std::log(b.gain);
        if (dead) {
            row[column(EmptyAt)] = std::log(OpenCounts);
            row[column(StuckAt)] = std::log(2.0);
        }
    }
    return sgm;
}

std::vector<double> reconstruct(FbpCore& core, const std::vector<double>& sgm)
{
    core.clearResult();
    for (int r = 0; r < Rows; ++r)
        core.forward(r, sgm.data() + size_t(r) * Width);
    for (int r = 0; r < Rows; ++r)
        core.filterScaling(r, 1.0 / (double(Width) * Rows));
    core.backProjectAll(Rows, FbpAngles::delta(180, Rows), 0, {0, 0, Width, Width});
    return core.result();
}

bool inside(int x, int z)
{
    const double dx = x - Width / 2.0;
    const double dz = z - Width / 2.0;
    return dx * dx + dz * dz < 0.64 * Radius * Radius;
}

// Relative RMS error inside 0.8 of the radius after the best scale.
double error(const std::vector<double>& rec, const std::vector<double>& truth)
{
    double rt = 0, rr = 0;
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x)
            if (inside(x, z)) {
                const size_t i = size_t(z) * Width + size_t(x);
                rt += rec[i] * truth[i];
                rr += rec[i] * rec[i];
            }
    const double s = rt / rr;
    double e = 0, tt = 0;
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x)
            if (inside(x, z)) {
                const size_t i = size_t(z) * Width + size_t(x);
                e += (s * rec[i] - truth[i]) * (s * rec[i] - truth[i]);
                tt += truth[i] * truth[i];
            }
    return std::sqrt(e / tt);
}

// What the defects leave: the RMS of a - b inside 0.8 of the radius, relative to the RMS of b
// there, with a from the defective and b from the clean sinogram, both filtered alike.
double contrast(const std::vector<double>& a, const std::vector<double>& b)
{
    double d = 0, bb = 0;
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x)
            if (inside(x, z)) {
                const size_t i = size_t(z) * Width + size_t(x);
                d += (a[i] - b[i]) * (a[i] - b[i]);
                bb += b[i] * b[i];
            }
    return std::sqrt(d / bb);
}

struct Filtered {
    std::vector<double> slice;
    double seconds;
    int replaced;
};

Filtered filtered(FbpCore& core, const RingOptions& options, const std::vector<double>& sgm)
{
    Filtered f{{}, 1e30, 0};
    std::vector<double> copy;
    for (int run = 0; run < 5; ++run) {
        copy = sgm;
        QElapsedTimer timer;
        timer.start();
        f.replaced =
            int(RingFilter::apply(options, copy.data(), Width, Rows).replacedColumns.size());
        f.seconds = std::min(f.seconds, timer.nsecsElapsed() * 1e-9);
    }
    f.slice = reconstruct(core, copy);
    return f;
}

// The part of the slice around the object.
QImage picture(const std::vector<double>& slice, const GreyScale& scale)
{
    const int margin = int(Width / 2 - 0.85 * Radius);
    return scale.toImage(slice, Width).copy(margin, margin, Width - 2 * margin, Width - 2 * margin);
}

bool writePictures(const QString& dir, const std::vector<double>& before,
                   const std::vector<double>& after, const std::vector<double>& clean)
{
    // One grey scale for both: the clean slice's values inside the object, narrowed so that
    // rings of a few per cent show.
    double lo = 1e300, hi = -1e300;
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x)
            if (inside(x, z)) {
                lo = std::min(lo, clean[size_t(z) * Width + size_t(x)]);
                hi = std::max(hi, clean[size_t(z) * Width + size_t(x)]);
            }
    GreyScale scale;
    scale.minV = lo;
    scale.maxV = lo + 0.6 * (hi - lo);
    const QImage a = picture(before, scale);
    const QImage b = picture(after, scale);
    const int caption = 24;
    const int gap = 8;
    QImage both(a.width() * 2 + gap, a.height() + caption, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, caption, a);
    painter.drawImage(a.width() + gap, caption, b);
    QFont font = painter.font();
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, a.width(), caption), Qt::AlignCenter,
                     QStringLiteral("striped, no filter"));
    painter.drawText(QRect(a.width() + gap, 0, b.width(), caption), Qt::AlignCenter,
                     QStringLiteral("ring filter auto"));
    painter.end();
    const QDir d(dir);
    return d.mkpath(QStringLiteral(".")) &&
           a.save(d.filePath(QStringLiteral("rings-before.png"))) &&
           b.save(d.filePath(QStringLiteral("rings-after.png"))) &&
           both.convertToFormat(QImage::Format_Grayscale8)
               .save(d.filePath(QStringLiteral("rings.png")));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--pictures"));
    const QString pictures = at > 0 && at + 1 < args.size() ? args.at(at + 1) : QString();

    const Phantom phantom = Phantom::standard(Radius, 10.0);
    std::vector<double> truth(size_t(Width) * Width);
    for (int z = 0; z < Width; ++z)
        for (int x = 0; x < Width; ++x)
            truth[size_t(z) * Width + size_t(x)] =
                phantom.density(x - Width / 2.0, 0.0, z - Width / 2.0);

    FbpCore core;
    core.prepare(Width, Rows);
    int bright = 0;
    for (const Bright& b : BrightColumns)
        bright += b.count;
    std::printf("%d x %d sinogram; bright: %d columns 2-5 %% too bright; dead: also one column "
                "reading nothing and one stuck\n\n",
                Width, Rows, bright);
    std::printf("| data | defects | filter | error, clean data | error, defective data | ring "
                "contrast | columns replaced (defective, clean) | time per sinogram |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const double counts : {0.0, 1e4}) {
        const char* data = counts > 0 ? "10^4 counts" : "noise-free";
        const std::vector<double> clean = sinogram(phantom, counts);
        const std::vector<double> cleanSlice = reconstruct(core, clean);
        for (const bool dead : {false, true}) {
            const char* defects = dead ? "bright, dead" : "bright";
            const std::vector<double> bad = striped(clean, dead);
            const std::vector<double> badSlice = reconstruct(core, bad);
            std::printf("| %s | %s | none | %.4f | %.4f | %.4f | | |\n", data, defects,
                        error(cleanSlice, truth), error(badSlice, truth),
                        contrast(badSlice, cleanSlice));
            for (const char* text : {"sort", "dead", "auto"}) {
                const RingOptions options = *RingOptions::parse(QString::fromLatin1(text), nullptr);
                const Filtered onClean = filtered(core, options, clean);
                const Filtered onBad = filtered(core, options, bad);
                std::printf("| %s | %s | %s | %.4f | %.4f | %.4f | %d, %d | %.1f ms |\n", data,
                            defects, qPrintable(options.text()), error(onClean.slice, truth),
                            error(onBad.slice, truth), contrast(onBad.slice, onClean.slice),
                            onBad.replaced, onClean.replaced, onBad.seconds * 1e3);
                if (!pictures.isEmpty() && counts > 0 && dead &&
                    options.method == RingOptions::Method::Auto &&
                    !writePictures(pictures, badSlice, onBad.slice, cleanSlice)) {
                    std::fprintf(stderr, "cannot write the pictures to %s\n", qPrintable(pictures));
                    return 1;
                }
            }
        }
    }
    return 0;
}
