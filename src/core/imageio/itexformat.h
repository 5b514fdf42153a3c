#pragma once

#include "pixelformat.h"

// Layout facts of the ITEX camera format shared by its reader and writer.
namespace ItexFormat
{
inline constexpr int HeaderBytes = 64;
inline constexpr int PropsBytes = 40;
// Pixel types 0..4 of the header word at offset 12; higher types carry no pixels.
SampleType sampleType(int pixelType);
int pixelType(SampleType type);
} // namespace ItexFormat
