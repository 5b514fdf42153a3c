// How close each reconstruction filter comes to the truth: the modified Shepp-Logan phantom,
// analytic projections, reconstructed by FbpCore with the default filter, with padding, and with
// each window padded; noiseless and with Poisson noise. Where python3 with scikit-image is at
// hand, its iradon reconstructs the same sinograms for comparison.
//   cirvo-bench-quality [--python PATH]
#include "benchphantom.h"
#include "phantom/phantom.h"
#include "recon/fbpcore.h"
#include "recon/fbpfilter.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>
#include <vector>

namespace
{

constexpr int Width = 260;
constexpr int Rows = 360;
constexpr double RangeDeg = 180;
constexpr double Counts = 1000;
constexpr double MaskFraction = 0.8;

// The modified Shepp-Logan phantom (Toft 1996) on the unit disk, scaled to `radius` samples,
// as ellipsoids far taller than the slice; its values are absorption per radius.
Phantom sheppLogan(double radius)
{
    struct Ellipse {
        double value, a, b, x0, y0, phiDeg;
    };
    static constexpr Ellipse Parts[] = {
        {1.0, 0.69, 0.92, 0.0, 0.0, 0.0},      {-0.8, 0.6624, 0.874, 0.0, -0.0184, 0.0},
        {-0.2, 0.11, 0.31, 0.22, 0.0, -18.0},  {-0.2, 0.16, 0.41, -0.22, 0.0, 18.0},
        {0.1, 0.21, 0.25, 0.0, 0.35, 0.0},     {0.1, 0.046, 0.046, 0.0, 0.1, 0.0},
        {0.1, 0.046, 0.046, 0.0, -0.1, 0.0},   {0.1, 0.046, 0.023, -0.08, -0.605, 0.0},
        {0.1, 0.023, 0.023, 0.0, -0.606, 0.0}, {0.1, 0.023, 0.046, 0.06, -0.605, 0.0},
    };
    std::vector<Phantom::Ellipsoid> ellipsoids;
    for (const Ellipse& e : Parts) {
        Phantom::Ellipsoid p;
        p.x0 = e.x0 * radius;
        p.z0 = -e.y0 * radius; // image rows run downwards
        p.a = e.a * radius;
        p.b = e.b * radius;
        p.c = 1e6;
        p.phi = -e.phiDeg * std::numbers::pi / 180;
        p.rho = e.value / radius;
        ellipsoids.push_back(p);
    }
    return Phantom(ellipsoids);
}

// Everything the filters are judged on. Sample j of a projection lies at s = j - N / 2 and
// pixel (x, z) of the N x N result at X = x - N / 2, Z = z - N / 2 (see FbpCore::projection).
struct Scene {
    int n = Width;
    std::vector<double> sinogram; // Rows x Width
    std::vector<double> truth;    // n x n
    std::vector<double> mask;     // 1 inside MaskFraction of the phantom's radius, else 0
};

Scene makeScene()
{
    Scene scene;
    const int n = scene.n;
    const double g = n * 0.5;
    const double radius = g;
    const Phantom phantom = sheppLogan(radius);
    scene.sinogram.resize(size_t(Width) * Rows);
    for (int r = 0; r < Rows; ++r)
        phantom.projectionRow(0.0, FbpAngles::theta(r, FbpAngles::delta(RangeDeg, Rows), 0), -g,
                              Width, scene.sinogram.data() + size_t(r) * Width);
    scene.truth.resize(size_t(n) * n);
    scene.mask.resize(size_t(n) * n);
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const size_t i = size_t(z) * n + size_t(x);
            scene.truth[i] = phantom.density(x - g, 0.0, z - g);
            scene.mask[i] = std::hypot(x - g, z - g) < MaskFraction * radius ? 1.0 : 0.0;
        }
    return scene;
}

bool writeDoubles(const QString& path, const std::vector<double>& values)
{
    QFile file(path);
    const qint64 bytes = qint64(values.size() * sizeof(double));
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(values.data()), bytes) == bytes;
}

// iradon's errors for the sinograms, in order; empty when no python3 with scikit-image ran.
std::vector<double> skimageErrors(const Scene& scene,
                                  const std::vector<std::pair<std::vector<double>, QString>>& runs,
                                  const QString& python, QString* interpreter)
{
    QTemporaryDir dir;
    if (!dir.isValid() || !writeDoubles(dir.filePath("truth.f64"), scene.truth) ||
        !writeDoubles(dir.filePath("mask.f64"), scene.mask))
        return {};
    QStringList args{QStringLiteral(CIRVO_BENCH_DIR "/quality_skimage.py"),
                     dir.filePath("truth.f64"),
                     dir.filePath("mask.f64"),
                     QString::number(scene.n),
                     QString::number(Rows),
                     QString::number(RangeDeg)};
    for (size_t i = 0; i < runs.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("sinogram%1.f64").arg(i));
        if (!writeDoubles(path, runs[i].first))
            return {};
        args << path << runs[i].second;
    }
    QStringList candidates;
    if (!python.isEmpty())
        candidates << python;
    else
        for (const QString& name : {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")})
            if (const QString found = QStandardPaths::findExecutable(name);
                !found.isEmpty() && !candidates.contains(found))
                candidates << found;
    for (const QString& candidate : candidates) {
        QProcess process;
        process.start(candidate, args);
        if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            continue;
        std::vector<double> errors;
        for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n'))
            if (bool ok = false; !line.trimmed().isEmpty()) {
                errors.push_back(line.toDouble(&ok));
                if (!ok)
                    return {};
            }
        if (errors.size() != runs.size())
            return {};
        *interpreter = candidate;
        return errors;
    }
    return {};
}

FbpFilter filterOf(FbpFilter::Window window, bool pad)
{
    FbpFilter f;
    f.window = window;
    f.pad = pad;
    return f;
}

QString filterName(const FbpFilter& f)
{
    if (f.isDefault())
        return QStringLiteral("ramp (default)");
    return FbpFilter::windowName(f.window) + (f.pad ? QStringLiteral(", padded") : QString());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int pythonAt = int(args.indexOf(QStringLiteral("--python")));
    const QString python = pythonAt > 0 && pythonAt + 1 < args.size() ? args[pythonAt + 1] : "";

    const Scene scene = makeScene();
    const std::vector<double> noisy = Phantom::withPoissonNoise(scene.sinogram, Counts, 20240229);
    std::printf("modified Shepp-Logan, radius %d, %d samples, %d projections over [0, %g), densest "
                "ray absorbs %.3f; relative RMS error inside %g of the radius, scale fitted\n",
                scene.n / 2, Width, Rows, RangeDeg,
                *std::max_element(scene.sinogram.begin(), scene.sinogram.end()), MaskFraction);

    const auto error = [&scene](const std::vector<double>& sgm, const FbpFilter& f) {
        const double e = BenchPhantom::relativeError(
            BenchPhantom::reconstruct(sgm, Width, Rows, RangeDeg, scene.n, f), scene.truth,
            scene.mask);
        std::printf("  %-20s %.4f\n", qPrintable(filterName(f)), e);
        return e;
    };
    const FbpFilter plain;
    const FbpFilter paddedHann = filterOf(FbpFilter::Window::Hann, true);
    std::printf("\nnoiseless\n");
    const double plainError = error(scene.sinogram, plain);
    double paddedError = 0;
    for (const QString& name : FbpFilter::windowNames()) {
        const FbpFilter f = filterOf(*FbpFilter::windowFromName(name), true);
        const double e = error(scene.sinogram, f);
        if (f.window == FbpFilter::Window::Ramp)
            paddedError = e;
    }
    std::printf("\nPoisson noise, %g counts\n", Counts);
    const double noisyPlain = error(noisy, plain);
    error(noisy, filterOf(FbpFilter::Window::Ramp, true));
    error(noisy, filterOf(FbpFilter::Window::Hann, false));
    const double noisyHann = error(noisy, paddedHann);

    QString interpreter;
    const std::vector<double> iradon = skimageErrors(
        scene, {{scene.sinogram, "ramp"}, {noisy, "ramp"}, {noisy, "hann"}}, python, &interpreter);
    if (iradon.empty()) {
        std::printf("\nscikit-image iradon: skipped (no python3 with scikit-image)\n");
    } else {
        std::printf(
            "\nscikit-image iradon (%s)\n  noiseless ramp        %.4f\n  Poisson ramp          "
            "%.4f\n  Poisson hann          %.4f\n",
            qPrintable(interpreter), iradon[0], iradon[1], iradon[2]);
    }

    std::printf("\npadded / default, noiseless: %.3f\n", paddedError / plainError);
    if (!iradon.empty())
        std::printf("padded / iradon, noiseless:  %.3f\n", paddedError / iradon[0]);
    std::printf("padded hann / default, Poisson: %.3f\n", noisyHann / noisyPlain);
    return 0;
}
