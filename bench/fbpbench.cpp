// Measures the reconstruction engines: back-projection updates per second (pixels inside the
// circle x projections / seconds) and the time of the filter step, for N = 512, 1024, 2048 and
// R = 1.5 N projections, with each back-projection kernel the processor runs, for FbpCore
// (double) and FbpCoreF (float), and how far the float slice lies from the double one.
//   cirvo-bench-fbp [N...]
#include "recon/fbpcore.h"
#include "recon/fbpcoref.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
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

constexpr std::pair<FbpKernels::Kernel, const char*> Kernels[] = {
    {FbpKernels::Kernel::Portable, "portable"}, {FbpKernels::Kernel::Avx2, "avx2"}};

// Filters and back-projects the sinogram with each kernel; the tiled updates per second of each
// kernel. The result stays that of the last kernel.
template <class Core>
std::map<FbpKernels::Kernel, double> measureEngine(Core& core, const char* precision,
                                                   const std::vector<double>& sinogram, int n,
                                                   int rows)
{
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

    std::printf("  %-6s prepare %6.3f s  filter %6.3f s\n", precision, prepareSeconds,
                filterSeconds);
    const double delta = FbpAngles::delta(180, rows);
    const FbpRegion whole{0, 0, double(n), double(n)};
    const double updates = double(pixelsInCircle(n)) * rows;
    std::map<FbpKernels::Kernel, double> tiled;
    for (const auto& [kernel, name] : Kernels) {
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
        tiled[kernel] = updates / tiledSeconds;
        std::printf("  %-6s %-8s back-projection: per row %7.3f s %.3g updates/s, tiled %7.3f s "
                    "%.3g updates/s\n",
                    precision, name, perRowSeconds, updates / perRowSeconds, tiledSeconds,
                    updates / tiledSeconds);
    }
    return tiled;
}

void measure(int n)
{
    const int rows = n * 3 / 2;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0.0, 2.0);
    std::vector<double> sinogram(size_t(n) * size_t(rows));
    for (double& v : sinogram)
        v = value(random);

    std::printf("N %5d  R %5d\n", n, rows);
    FbpCore exact;
    const auto doubleRates = measureEngine(exact, "double", sinogram, n, rows);
    FbpCoreF single;
    const auto floatRates = measureEngine(single, "float", sinogram, n, rows);
    for (const auto& [kernel, name] : Kernels)
        if (doubleRates.count(kernel) && floatRates.count(kernel))
            std::printf("  %-8s tiled, float / double: %.2f\n", name,
                        floatRates.at(kernel) / doubleRates.at(kernel));

    const std::vector<double>& expected = exact.result();
    const std::vector<double> actual = single.resultAsDoubles();
    const auto [low, high] = std::minmax_element(expected.begin(), expected.end());
    double largest = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        largest = std::max(largest, std::abs(actual[i] - expected[i]));
    std::printf("  float - double: largest %.3g of the double slice's range\n",
                largest / (*high - *low));
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
