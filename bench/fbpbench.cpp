// Measures the reconstruction engine: back-projection updates per second (pixels inside the
// circle x projections / seconds) and the time of the filter step, for N = 512, 1024, 2048 and
// R = 1.5 N projections, with each back-projection kernel the processor runs.
//   cirvo-bench-fbp [N...]
#include "recon/fbpcore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace
{

qint64 pixelsInCircle(int n)
{
    const double g = n * 0.5;
    qint64 count = 0;
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const double dx = x - g;
            const double dz = z - g;
            count += std::sqrt(dx * dx + dz * dz) < g;
        }
    return count;
}

void measure(int n)
{
    const int rows = n * 3 / 2;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0.0, 2.0);
    std::vector<double> sinogram(size_t(n) * size_t(rows));
    for (double& v : sinogram)
        v = value(random);

    FbpCore core;
    QElapsedTimer timer;
    timer.start();
    core.prepare(n, rows);
    core.clearResult();
    const double prepareSeconds = timer.nsecsElapsed() * 1e-9;

    timer.restart();
    for (int r = 0; r < rows; ++r)
        core.forward(r, sinogram.data() + size_t(r) * size_t(n));
    for (int r = 0; r < rows; ++r)
        core.filterScaling(r, 1.0 / (double(n) * rows));
    const double filterSeconds = timer.nsecsElapsed() * 1e-9;

    std::printf("N %5d  R %5d  prepare %6.3f s  filter %6.3f s\n", n, rows, prepareSeconds,
                filterSeconds);
    const double delta = FbpAngles::delta(180, rows);
    const FbpRegion whole{0, 0, double(n), double(n)};
    const double updates = double(pixelsInCircle(n)) * rows;
    for (const auto& [kernel, name] : {std::pair{FbpKernels::Kernel::Portable, "portable"},
                                       std::pair{FbpKernels::Kernel::Avx2, "avx2"}}) {
        if (!core.setKernel(kernel))
            continue;
        core.clearResult();
        timer.restart();
        for (int r = 0; r < rows; ++r)
            core.backProject(r, FbpAngles::theta(r, delta, 0), whole);
        const double perRowSeconds = timer.nsecsElapsed() * 1e-9;
        core.clearResult();
        timer.restart();
        core.backProjectAll(rows, delta, 0, whole);
        const double tiledSeconds = timer.nsecsElapsed() * 1e-9;
        std::printf("  %-8s back-projection: per row %7.3f s %.3g updates/s, tiled %7.3f s %.3g "
                    "updates/s\n",
                    name, perRowSeconds, updates / perRowSeconds, tiledSeconds,
                    updates / tiledSeconds);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (const QString& a : app.arguments().mid(1))
        sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {512, 1024, 2048};
    for (const int n : sizes)
        if (n >= 2)
            measure(n);
    return 0;
}
