#pragma once

#include "sinogrambuilder.h"

#include <optional>
#include <vector>

struct ImageSet;

// Guesses the centre of rotation from two projections half a turn apart: the centre is where
// one line best matches the other's mirror image.
namespace CorGuess
{

// The raw lines of the first image and of its partner half a turn later.
struct LinePair {
    std::vector<double> a;
    std::vector<double> b;
};

// Projections in half a turn, (int)(180 / range x images); nothing when the range is zero, not
// finite, or the count is outside int.
std::optional<int> halfTurnImages(double rangeDeg, int images);
// The image half a turn after `start`, within 0 ... images - 1.
std::optional<int> partnerImage(int start, int images, double rangeDeg);
// Line `request.slice` of the start image and of its partner, without I0 or BG correction;
// nothing for an empty set, an unusable range or a slice outside the images.
std::optional<LinePair> pickLines(const ImageSet& set, const SinogramRequest& request,
                                  double rangeDeg);

// The line interpolated at x; samples outside the line count as 0.
double sampleAt(const std::vector<double>& line, double x);
// Sum of a(centre + k) b(centre - 1 - k) over |k| < param L.
double score(const std::vector<double>& a, const std::vector<double>& b, double centre,
             double param);
// The centre of the best score: integer steps climbing from currentCor, then tenths within two
// pixels of that.
double guess(const std::vector<double>& a, const std::vector<double>& b, double currentCor,
             double param);
// The guess for a data set, with request.cor as the starting point.
std::optional<double> guess(const ImageSet& set, const SinogramRequest& request, double rangeDeg,
                            double param);

} // namespace CorGuess
