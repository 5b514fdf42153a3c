#pragma once

#include <QtGlobal>

// The sample types image files store, and their conversion to doubles. ITEX files are always
// little-endian; TIFF samples arrive in host order from libtiff.
enum class SampleType { None, U8, S8, U16, S16, U32, S32, F32, F64 };

int bytesPerSample(SampleType type);

// Encodes `count` values as consecutive samples at `dst`: integers are rounded and clamped to
// the type's range (NaN gives 0).
void doublesToSamples(const double* values, qsizetype count, SampleType type, bool littleEndian,
                      uchar* dst);

// Converts `count` samples that lie `stride` bytes apart, starting at `src`, into `out`.
// SampleType::None yields zeros.
void samplesToDoubles(const uchar* src, SampleType type, bool littleEndian, qsizetype stride,
                      qsizetype count, double* out);
