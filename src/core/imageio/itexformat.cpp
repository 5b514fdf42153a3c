#include "itexformat.h"

namespace ItexFormat
{

SampleType sampleType(int pixelType)
{
    switch (pixelType) {
    case 0:
        return SampleType::U8;
    case 1:
        return SampleType::S16;
    case 2:
        return SampleType::U16;
    case 3:
        return SampleType::S32;
    case 4:
        return SampleType::F32;
    default:
        return SampleType::None;
    }
}

int pixelType(SampleType type)
{
    for (int t = 0; t <= 4; ++t)
        if (sampleType(t) == type)
            return t;
    return -1;
}

} // namespace ItexFormat
