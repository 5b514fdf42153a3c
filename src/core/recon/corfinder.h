#pragma once

#include <QList>

#include <optional>
#include <vector>

struct HSgm;
struct ImageSet;
struct SinogramRequest;

// Finds the rotation axis from a whole sinogram of absorption values whose rows are projections
// equally spaced over [0, 180) degrees. The axis comes in detector samples: sample j lies at j.
//
// Method (Azevedo et al., IEEE Trans. Nucl. Sci. 37, 1990): in a parallel beam the centre of mass
// of each projection is the projected centre of mass of the object, so over the rows it follows
// axis + A cos(theta) + B sin(theta); a least-squares fit of that curve gives the axis. Every row
// contributes, so the noise averages out, and nothing is compared near the ends of the line, so
// an object that fills it does no harm. It needs the object inside the line in every row and an
// absorption of 0 where the beam misses it.
class CorFinder
{
public:
    // `absorption` holds rows x width samples, row-major. Nothing when the shape does not match,
    // a sample is not finite, or fewer than three rows absorb anything.
    static std::optional<double> find(const std::vector<double>& absorption, int width, int rows);
    static std::optional<double> find(const HSgm& sinogram);
    // The same with row r taken at angles[r] radians, in any order and over any range.
    static std::optional<double> find(const std::vector<double>& absorption, int width,
                                      const std::vector<double>& angles);

    // The axis of a data set on its image lines: one fit over the sinograms of up to nine of
    // `slices`, spread evenly and summed (the axis is the same in every slice, and slices that
    // miss the object add nothing). Rows take the angles of their images over `rangeDeg`.
    // Nothing when no usable sinogram can be built or the fit fails.
    static std::optional<double> findInSet(const ImageSet& set, const SinogramRequest& request,
                                           const QList<int>& slices, double rangeDeg);
};
