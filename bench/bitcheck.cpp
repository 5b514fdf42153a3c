// Checks at full size the bits the tests demand on small slices: FbpCore's tiled pass with each
// kernel against the plain reference of the tests, and FbpCoreF's AVX2 kernel against its
// portable one, on a random sinogram of N samples and R projections over 180 degrees. Prints
// each comparison and exits 1 when any differs.
//   cirvo-bench-bitcheck [N [R]]   (default N 2048, R 1800)
#include "fbpreference.h"
#include "recon/fbpcore.h"
#include "recon/fbpcoref.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace
{

QElapsedTimer timer;

double seconds()
{
    return timer.nsecsElapsed() * 1e-9;
}

// Prints whether both hold the same bits, or how many values differ and the first of them.
template <class Value>
bool sameBits(const char* what, const std::vector<Value>& expected,
              const std::vector<Value>& actual, int n)
{
    if (expected.size() != actual.size()) {
        std::printf("%-46s DIFFERENT SIZES: %zu expected, %zu\n", what, expected.size(),
                    actual.size());
        return false;
    }
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(Value)) != 0 && differing++ == 0)
            first = i;
    }
    if (differing == 0) {
        std::printf("%-46s same bits, %zu values\n", what, expected.size());
        return true;
    }
    std::printf("%-46s %zu of %zu values DIFFER, the first at x %zu, z %zu: %.17g, not %.17g\n",
                what, differing, expected.size(), first % size_t(n), first / size_t(n),
                double(actual[first]), double(expected[first]));
    return false;
}

// Every spectrum, every filter, then the tiled pass over the whole slice.
template <class Core>
bool reconstruct(Core& core, FbpKernels::Kernel kernel, const std::vector<double>& sinogram, int n,
                 int rows)
{
    if (!core.setKernel(kernel))
        return false;
    timer.restart();
    core.prepare(n, rows);
    core.clearResult();
    for (int r = 0; r < rows; ++r)
        core.forward(r, sinogram.data() + size_t(r) * size_t(n));
    for (int r = 0; r < rows; ++r)
        core.filterDividing(r, rows);
    core.backProjectAll(rows, FbpAngles::delta(180, rows), 0, {0, 0, double(n), double(n)});
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int n = args.size() > 1 ? args.at(1).toInt() : 2048;
    const int rows = args.size() > 2 ? args.at(2).toInt() : 1800;
    if (n < 2 || n % 2 != 0 || rows < 1) {
        std::fprintf(stderr, "usage: cirvo-bench-bitcheck [N [R]], N even and at least 2\n");
        return 2;
    }
    std::mt19937 random(2048);
    std::uniform_real_distribution<double> value(0.0, 3.0);
    std::vector<double> sinogram(size_t(n) * size_t(rows));
    for (double& v : sinogram)
        v = value(random);
    std::printf("N %d, R %d projections over 180 degrees, the whole slice\n", n, rows);
    bool same = true;

    timer.start();
    FbpReference::ReconParams p;
    p.images = rows;
    p.x1 = n;
    p.z1 = n;
    FbpReference::Reconstruction reference;
    FbpReference::reconstruct(sinogram.data(), n, rows, p, reference);
    std::printf("%-46s %.1f s\n", "reference", seconds());

    for (const auto& [kernel, name] : {std::pair{FbpKernels::Kernel::Portable, "portable"},
                                       std::pair{FbpKernels::Kernel::Avx2, "avx2"}}) {
        FbpCore core;
        if (!reconstruct(core, kernel, sinogram, n, rows)) {
            std::printf("double %s: not on this processor\n", name);
            continue;
        }
        std::printf("%-46s %.1f s\n", qPrintable(QStringLiteral("double %1 tiled").arg(name)),
                    seconds());
        std::vector<double> filtered;
        for (int r = 0; r < rows; ++r)
            filtered.insert(filtered.end(), core.filtered(r), core.filtered(r) + n);
        same &= sameBits("  filtered projections = reference", reference.filtered, filtered, n);
        same &= sameBits("  slice = reference", reference.result, core.result(), n);
    }

    FbpCoreF portable;
    reconstruct(portable, FbpKernels::Kernel::Portable, sinogram, n, rows);
    std::printf("%-46s %.1f s\n", "float portable tiled", seconds());
    FbpCoreF avx2;
    if (reconstruct(avx2, FbpKernels::Kernel::Avx2, sinogram, n, rows)) {
        std::printf("%-46s %.1f s\n", "float avx2 tiled", seconds());
        same &= sameBits("  slice = float portable tiled", portable.result(), avx2.result(), n);
    } else {
        std::printf("float avx2: not on this processor\n");
    }
    std::puts(same ? "all the same bits" : "DIFFERENCES FOUND");
    return same ? 0 : 1;
}
