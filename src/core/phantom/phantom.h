#pragma once

#include <vector>

// A sum of ellipsoids of constant density, in pixel units. X and Z span a slice, Y is the
// height; where ellipsoids overlap their densities add.
class Phantom
{
public:
    struct Ellipsoid {
        double x0 = 0.0;
        double y0 = 0.0;
        double z0 = 0.0;
        // Semi-axes along (cos phi, sin phi) and (-sin phi, cos phi) in (X, Z), and along Y.
        double a = 1.0;
        double b = 1.0;
        double c = 1.0;
        double phi = 0.0; // radians
        double rho = 0.0; // absorption per pixel of path
    };

    // The ellipsoids of standard(), in their order.
    enum StandardPart { Body, Core, Cylinder, Ball, Blade, Dot, OtherDot, StandardPartCount };

    explicit Phantom(std::vector<Ellipsoid> ellipsoids);
    // Seven ellipsoids within `radius` of the Y axis and `halfHeight` of Y = 0, with densities
    // that let the most absorbing ray absorb about 1 whatever the size.
    static Phantom standard(double radius, double halfHeight);

    const std::vector<Ellipsoid>& ellipsoids() const { return m_ellipsoids; }
    double density(double x, double y, double z) const;
    // The integral of the density at height y along the line X cos(theta) - Z sin(theta) = s.
    double projection(double y, double theta, double s) const;
    // projection() at s = s0, s0 + 1, ..., s0 + count - 1 into out[0 .. count - 1].
    void projectionRow(double y, double theta, double s0, int count, double* out) const;
    // The sinogram at height y: `rows` rows at theta = pi r / rows, each of `width` samples with
    // sample j at s = j - axis.
    std::vector<double> sinogram(double y, int width, int rows, double axis) const;

    // Each absorption p as measured with `counts` open-beam counts: -ln(I / counts) for
    // I = Poisson(counts exp(-p)), a count of 0 taken as 1; the same seed, the same noise.
    static std::vector<double> withPoissonNoise(std::vector<double> absorption, double counts,
                                                unsigned seed);

private:
    std::vector<Ellipsoid> m_ellipsoids;
    // cos and sin of each phi; density() runs for every pixel of the ground truth.
    std::vector<double> m_cos;
    std::vector<double> m_sin;
};
