#pragma once

// The volume view drawn as plainly as it is defined: for every picture pixel, the ray meets every
// slice plane in turn, the largest level in the window and the cross section's level are kept,
// and the pixel is drawn as one point with the painter over what the earlier sets left. Frames
// come from VolumeRenderer::drawFrame. The tests compare VolumeRenderer with it; the benchmark
// times it as the baseline.

#include "view3d/volumerenderer.h"

#include <QPainter>

#include <cmath>

namespace volumereference
{

// Where the ray offset + scale (a nx + b ny) + t nz meets the plane of slice k (z = zk), with t
// solved for p.z = zk: the plane's point on the view axis plus a and b times the picture axes
// (times scale) projected onto the plane along nz. Written in the renderer's order of operations,
// so that both sample the same bits.
inline Vec3 rayOnSlice(const ViewBasis& view, int a, int b, double zk)
{
    const double rx = view.nx.z / view.nz.z;
    const double ry = view.ny.z / view.nz.z;
    const double ux = view.scale * (view.nx.x - view.nz.x * rx);
    const double uy = view.scale * (view.nx.y - view.nz.y * rx);
    const double vx = view.scale * (view.ny.x - view.nz.x * ry);
    const double vy = view.scale * (view.ny.y - view.nz.y * ry);
    const double t = (zk - view.offset.z) / view.nz.z;
    return {view.offset.x + view.nz.x * t + (ux * a + vx * b),
            view.offset.y + view.nz.y * t + (uy * a + vy * b), zk};
}

inline void paintSet(QPainter& painter, const VolumeSet& set, const ViewBasis& view, int pw, int ph)
{
    const int ns = int(set.slices.size());
    const double cutAt = set.slider / 100.0 * ns;
    for (int r = 0; r < ph; ++r) {
        for (int q = 0; q < pw; ++q) {
            const int a = q - pw / 2;
            const int b = r - ph / 2;
            double m = 0;
            double s = 0;
            for (int k = 0; k < ns; ++k) {
                if (view.nz.z == 0)
                    continue;
                const Vec3 p = rayOnSlice(view, a, b, k - ns / 2);
                const double i = std::trunc(set.sw / 2 + p.x);
                const double j = std::trunc(set.sh / 2 + p.y);
                if (!(i >= 0 && i < set.sw && j >= 0 && j < set.sh))
                    continue;
                const double d = p.dot(set.csNormal);
                if (set.showCSection && !(d < cutAt))
                    continue;
                const double v = set.slices[k]->value(int(i), int(j));
                double level = (v - set.lo) / (set.hi - set.lo) * 256;
                if (level > 255 || level < 0)
                    level = 0;
                if (level > m)
                    m = level;
                if (d > cutAt - 1 && d < cutAt + 1)
                    s = level;
            }
            const bool section = set.showCSection && s > 0;
            if (!section && !(m > 0))
                continue;
            const double level = section ? s : m;
            const QColor& k = section ? set.sColor : set.vColor;
            const auto ramp = [level](int c) { return int(255 - level * (1 - c / 255.0)); };
            painter.setPen(QColor(ramp(k.red()), ramp(k.green()), ramp(k.blue()), set.alpha));
            painter.drawPoint(q, r);
        }
    }
}

inline QImage render(const std::vector<VolumeSet>& sets, const ViewBasis& view, int pw, int ph)
{
    QImage picture(pw, ph, QImage::Format_ARGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, pw, ph, Qt::white);
    for (const VolumeSet& set : sets) {
        if (set.sw <= 0 || set.sh <= 0)
            continue;
        if (set.showFrame)
            VolumeRenderer::drawFrame(painter, set, view, pw, ph, false);
        if (set.showVolume)
            paintSet(painter, set, view, pw, ph);
        if (set.showFrame)
            VolumeRenderer::drawFrame(painter, set, view, pw, ph, true);
    }
    return picture;
}

} // namespace volumereference
