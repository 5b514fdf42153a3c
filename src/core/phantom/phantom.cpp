#include "phantom.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>

namespace
{

// Absorption per pixel of unit density for a phantom of radius 1; scaled by 1 / radius it
// gives the densest ray of the standard phantom an absorption of about 1.
constexpr double DensityScale = 0.62;

} // namespace

Phantom::Phantom(std::vector<Ellipsoid> ellipsoids) : m_ellipsoids(std::move(ellipsoids))
{
    for (const Ellipsoid& e : m_ellipsoids) {
        m_cos.push_back(std::cos(e.phi));
        m_sin.push_back(std::sin(e.phi));
    }
}

Phantom Phantom::standard(double radius, double halfHeight)
{
    const double r = radius;
    const double h = halfHeight;
    const double u = DensityScale / radius;
    const double tilt = qDegreesToRadians(30.0);
    return Phantom({
        {0.0, 0.0, 0.0, 0.80 * r, 0.65 * r, 0.90 * h, 0.0, 1.0 * u},                // body
        {0.0, 0.0, 0.0, 0.74 * r, 0.59 * r, 0.84 * h, 0.0, -0.5 * u},               // core
        {-0.35 * r, 0.0, 0.05 * r, 0.15 * r, 0.15 * r, 0.75 * h, 0.0, 1.0 * u},     // cylinder
        {0.2 * r, 0.45 * h, -0.1 * r, 0.22 * r, 0.22 * r, 0.25 * h, 0.0, 0.5 * u},  // ball
        {0.15 * r, -0.2 * h, 0.25 * r, 0.35 * r, 0.05 * r, 0.4 * h, tilt, 0.8 * u}, // blade
        {-0.5 * r, 0.1 * h, -0.3 * r, 0.05 * r, 0.05 * r, 0.3 * h, 0.0, 2.0 * u},   // dot
        {0.45 * r, -0.1 * h, -0.35 * r, 0.05 * r, 0.05 * r, 0.3 * h, 0.0, 2.0 * u}, // dot
    });
}

double Phantom::density(double x, double y, double z) const
{
    double sum = 0.0;
    for (size_t i = 0; i < m_ellipsoids.size(); ++i) {
        const Ellipsoid& e = m_ellipsoids[i];
        const double dx = x - e.x0;
        const double dz = z - e.z0;
        const double q1 = (dx * m_cos[i] + dz * m_sin[i]) / e.a;
        const double q2 = (-dx * m_sin[i] + dz * m_cos[i]) / e.b;
        const double q3 = (y - e.y0) / e.c;
        if (q1 * q1 + q2 * q2 + q3 * q3 < 1.0)
            sum += e.rho;
    }
    return sum;
}

double Phantom::projection(double y, double theta, double s) const
{
    double value = 0.0;
    projectionRow(y, theta, s, 1, &value);
    return value;
}

void Phantom::projectionRow(double y, double theta, double s0, int count, double* out) const
{
    std::fill(out, out + std::max(count, 0), 0.0);
    const double nx = std::cos(theta);
    const double nz = -std::sin(theta);
    for (size_t i = 0; i < m_ellipsoids.size(); ++i) {
        const Ellipsoid& e = m_ellipsoids[i];
        const double q = (y - e.y0) / e.c;
        if (q * q >= 1.0)
            continue;
        // The cross-section at height y is the ellipse of semi-axes a k, b k.
        const double k = std::sqrt(1.0 - q * q);
        const double a = e.a * k;
        const double b = e.b * k;
        const double n1 = nx * m_cos[i] + nz * m_sin[i];
        const double n2 = -nx * m_sin[i] + nz * m_cos[i];
        const double m2 = a * a * n1 * n1 + b * b * n2 * n2;
        const double centre = nx * e.x0 + nz * e.z0;
        const double scale = 2.0 * e.rho * a * b / m2;
        for (int j = 0; j < count; ++j) {
            const double t = s0 + j - centre;
            if (t * t < m2)
                out[j] += scale * std::sqrt(m2 - t * t);
        }
    }
}

std::vector<double> Phantom::sinogram(double y, int width, int rows, double axis) const
{
    std::vector<double> sgm(size_t(std::max(width, 0)) * size_t(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r)
        projectionRow(y, std::numbers::pi * r / rows, -axis, width,
                      sgm.data() + size_t(r) * size_t(width));
    return sgm;
}

std::vector<double> Phantom::withPoissonNoise(std::vector<double> absorption, double counts,
                                              unsigned seed)
{
    std::mt19937 random(seed);
    for (double& p : absorption) {
        std::poisson_distribution<int> detected(counts * std::exp(-p));
        p = std::log(counts / std::max(detected(random), 1));
    }
    return absorption;
}
