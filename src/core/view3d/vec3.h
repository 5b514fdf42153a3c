#pragma once

#include <QMetaType>

#include <cmath>

// A point or direction of the 3-D view.
struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double f) const { return {x * f, y * f, z * f}; }
    double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 cross(const Vec3& o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    double length() const { return std::sqrt(dot(*this)); }
    // v rotated by `angle` about the unit axis u: cos a v + (1 - cos a)(u.v)u - sin a (u x v).
    Vec3 rotated(const Vec3& u, double angle) const
    {
        const double c = std::cos(angle);
        return *this * c + u * ((1 - c) * u.dot(*this)) - u.cross(*this) * std::sin(angle);
    }
};
Q_DECLARE_METATYPE(Vec3)
