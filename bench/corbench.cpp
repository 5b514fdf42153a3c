// The rotation axis found by CorFinder and guessed by CorGuess on phantom sinograms whose axis
// is known, side by side.
#include "phantom/phantom.h"
#include "recon/corfinder.h"
#include "recon/corguess.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace
{

struct Case {
    const char* name;
    int width;
    int rows;
    double axis;
    double fill;   // part of the line the widest projection covers
    double offset; // object centre off the axis, in samples
    double counts; // open-beam counts for Poisson noise; 0: none
};

std::vector<double> sinogram(const Case& c)
{
    // The standard phantom reaches 0.8 radius from its centre.
    std::vector<Phantom::Ellipsoid> parts =
        Phantom::standard(c.fill * c.width / 1.6, 10.0).ellipsoids();
    for (Phantom::Ellipsoid& e : parts)
        e.x0 += c.offset;
    const Phantom phantom(parts);
    std::vector<double> sgm(size_t(c.width) * size_t(c.rows));
    for (int r = 0; r < c.rows; ++r)
        phantom.projectionRow(0.0, std::numbers::pi * r / c.rows, -c.axis, c.width,
                              sgm.data() + size_t(r) * size_t(c.width));
    if (c.counts > 0) {
        std::mt19937 random(12345);
        for (double& p : sgm) {
            std::poisson_distribution<int> detected(c.counts * std::exp(-p));
            p = std::log(c.counts / std::max(detected(random), 1));
        }
    }
    return sgm;
}

} // namespace

int main()
{
    const Case cases[] = {
        {"centred", 256, 384, 128.0, 0.6, 0.0, 0.0},
        {"fractional axis", 256, 384, 131.37, 0.6, 0.0, 0.0},
        {"15 % right, edge to edge", 256, 384, 0.65 * 256, 0.69, 0.0, 0.0},
        {"15 % right, noisy", 256, 384, 0.65 * 256, 0.69, 0.0, 1000.0},
        {"15 % left, noisy", 256, 384, 0.35 * 256, 0.69, 0.0, 1000.0},
        {"fills 95 %", 256, 384, 128.4, 0.95, 0.0, 0.0},
        {"fills 95 %, noisy", 256, 384, 128.4, 0.95, 0.0, 1000.0},
        {"object off the axis, noisy", 300, 450, 160.8, 0.5, 20.0, 1000.0},
        {"few rows", 128, 30, 70.25, 0.8, 6.0, 0.0},
        {"1024 wide, 15 % right", 1024, 1536, 0.65 * 1024 + 0.3, 0.69, 0.0, 0.0},
        {"1024 wide, 15 % right, noisy", 1024, 1536, 0.65 * 1024 + 0.3, 0.69, 0.0, 1000.0},
    };
    std::printf("| case | width x rows | true axis | CorFinder | error | CorGuess | error |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    double worst = 0.0;
    for (const Case& c : cases) {
        const std::vector<double> sgm = sinogram(c);
        const std::optional<double> found = CorFinder::find(sgm, c.width, c.rows);
        // The guess pairs the first projection with the last, starting from the middle.
        const auto first = sgm.begin();
        const auto last = sgm.end() - c.width;
        const double guessed =
            CorGuess::guess(std::vector<double>(first, first + c.width),
                            std::vector<double>(last, sgm.end()), c.width / 2.0, 0.35);
        const double foundError = found ? *found - c.axis : std::nan("");
        worst = std::max(worst, std::abs(foundError));
        std::printf("| %s | %d x %d | %.3f | %.3f | %+.3f | %.3f | %+.3f |\n", c.name, c.width,
                    c.rows, c.axis, found.value_or(std::nan("")), foundError, guessed,
                    guessed - c.axis);
    }
    std::printf("\nworst CorFinder error: %.3f samples\n", worst);
    return 0;
}
