#pragma once

#include "slicedatas.h"
#include "vec3.h"

#include <QColor>
#include <QImage>

#include <vector>

class QPainter;

// Where the 3-D view looks from: the picture's x and y directions (y downward on the screen),
// the direction toward the viewer, the volume point at the picture's centre, and volume units
// (slice pixels) per picture pixel.
struct ViewBasis {
    Vec3 nx{1, 0, 0};
    Vec3 ny{0, 1, 0};
    Vec3 nz{0, 0, 1};
    Vec3 offset{0, 0, 0};
    double scale = 1.0;

    // The basis turned by `angle` about `axis`, which need not be of unit length.
    ViewBasis turned(const Vec3& axis, double angle) const
    {
        const Vec3 u = axis * (1 / axis.length());
        ViewBasis view = *this;
        view.nx = nx.rotated(u, angle);
        view.ny = ny.rotated(u, angle);
        view.nz = nz.rotated(u, angle);
        return view;
    }
};

// What the renderer needs of one slice set, copied from its panel before rendering. The slices
// are shared read-only; they must not change while a render runs.
struct VolumeSet {
    std::vector<const SliceRecord*> slices; // all of one size sw x sh
    int sw = 0;
    int sh = 0;
    // The value window: levels (v - lo) / (hi - lo) * 256 outside 0 ... 255 are not shown.
    double lo = 0;
    double hi = 1;
    bool showFrame = true;
    bool showVolume = true;
    bool showCSection = false;
    int slider = 0; // -100 ... 100
    Vec3 csNormal{0, 0, 1};
    QColor vColor{0, 127, 127};
    QColor sColor{127, 0, 0};
    int alpha = 255;
};

// Renders the maximum-intensity projection of slice sets, their cross sections and bounding-box
// edges into a picture: white, then for each set its back edges, its volume drawn over what is
// there with the set's opacity, and its front edges. The volume is computed row by row on
// worker threads, with the same result as drawing every pixel as a point with the painter.
class VolumeRenderer
{
public:
    // The sampling loops: Vector takes AVX2 where the processor has it, Portable never; both give
    // the same pixels.
    enum class Loops { Vector, Portable };

    // threads 0: one per hardware thread.
    static QImage render(const std::vector<VolumeSet>& sets, const ViewBasis& view, int pw, int ph,
                         int threads = 0, Loops loops = Loops::Vector);
    // The volume of one set as colour and alpha per pixel (ARGB32, not premultiplied;
    // transparent where nothing is shown).
    static QImage volumeLayer(const VolumeSet& set, const ViewBasis& view, int pw, int ph,
                              int threads = 0, Loops loops = Loops::Vector);
    // The edges of the set's box facing the viewer (front) or away from it.
    static void drawFrame(QPainter& p, const VolumeSet& set, const ViewBasis& view, int pw, int ph,
                          bool front);
};
