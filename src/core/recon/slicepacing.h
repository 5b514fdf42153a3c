#pragma once

// The arithmetic of a multi-slice run: which slices are still to start and how far the run is.
namespace SlicePacing
{

// Whether `cursor` lies between `from` and `to`, in either order.
bool within(int cursor, int from, int to);

// Percentage done, truncated to one decimal, with `cursor` the next slice to start and `busy`
// workers still on a slice: (started - busy + 1) / (slices in the range), in steps of the
// range's step (1 when that is below 2), clamped to 0 ... 100. Counts run in slice order, so
// a downward range reads the same as an upward one.
double progress(int cursor, int from, int to, int step, int busy);

} // namespace SlicePacing
