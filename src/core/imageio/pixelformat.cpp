#include "pixelformat.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{

// A sample of type T at `p`, its bytes reversed when Swap.
template <typename T, bool Swap> T readSample(const uchar* p)
{
    if constexpr (std::is_floating_point_v<T>) {
        using Bits = std::conditional_t<sizeof(T) == 4, quint32, quint64>;
        return std::bit_cast<T>(readSample<Bits, Swap>(p));
    } else {
        T v;
        std::memcpy(&v, p, sizeof(T));
        if constexpr (Swap && sizeof(T) > 1)
            v = qbswap(v);
        return v;
    }
}

template <typename T> void writeSample(uchar* dst, T v, bool littleEndian)
{
    if constexpr (sizeof(T) > 1) {
        const bool hostLittle = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        if (littleEndian != hostLittle)
            v = qbswap(v);
    }
    std::memcpy(dst, &v, sizeof(T));
}

template <typename T>
void encode(const double* values, qsizetype count, bool littleEndian, uchar* dst)
{
    for (qsizetype i = 0; i < count; ++i, dst += sizeof(T)) {
        const double v = values[i];
        if constexpr (std::is_same_v<T, float>) {
            quint32 bits;
            const float f = float(v);
            std::memcpy(&bits, &f, sizeof bits);
            writeSample(dst, bits, littleEndian);
        } else if constexpr (std::is_same_v<T, double>) {
            quint64 bits;
            std::memcpy(&bits, &v, sizeof bits);
            writeSample(dst, bits, littleEndian);
        } else {
            const double lo = double(std::numeric_limits<T>::lowest());
            const double hi = double(std::numeric_limits<T>::max());
            const double r = std::isnan(v) ? 0.0 : std::clamp(std::round(v), lo, hi);
            writeSample(dst, T(r), littleEndian);
        }
    }
}

template <typename T, bool Swap>
void convertSamples(const uchar* src, qsizetype stride, qsizetype count, double* out)
{
    for (qsizetype i = 0; i < count; ++i, src += stride)
        out[i] = double(readSample<T, Swap>(src));
}

// The byte order is settled once per line, not tested again for every sample.
template <typename T>
void convert(const uchar* src, bool littleEndian, qsizetype stride, qsizetype count, double* out)
{
    const bool hostLittle = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    if (littleEndian == hostLittle)
        convertSamples<T, false>(src, stride, count, out);
    else
        convertSamples<T, true>(src, stride, count, out);
}

} // namespace

int bytesPerSample(SampleType type)
{
    switch (type) {
    case SampleType::U8:
    case SampleType::S8:
        return 1;
    case SampleType::U16:
    case SampleType::S16:
        return 2;
    case SampleType::U32:
    case SampleType::S32:
    case SampleType::F32:
        return 4;
    case SampleType::F64:
        return 8;
    case SampleType::None:
        break;
    }
    return 0;
}

void doublesToSamples(const double* values, qsizetype count, SampleType type, bool littleEndian,
                      uchar* dst)
{
    switch (type) {
    case SampleType::U8:
        return encode<quint8>(values, count, littleEndian, dst);
    case SampleType::S8:
        return encode<qint8>(values, count, littleEndian, dst);
    case SampleType::U16:
        return encode<quint16>(values, count, littleEndian, dst);
    case SampleType::S16:
        return encode<qint16>(values, count, littleEndian, dst);
    case SampleType::U32:
        return encode<quint32>(values, count, littleEndian, dst);
    case SampleType::S32:
        return encode<qint32>(values, count, littleEndian, dst);
    case SampleType::F32:
        return encode<float>(values, count, littleEndian, dst);
    case SampleType::F64:
        return encode<double>(values, count, littleEndian, dst);
    case SampleType::None:
        break;
    }
}

void samplesToDoubles(const uchar* src, SampleType type, bool littleEndian, qsizetype stride,
                      qsizetype count, double* out)
{
    switch (type) {
    case SampleType::U8:
        return convert<quint8>(src, littleEndian, stride, count, out);
    case SampleType::S8:
        return convert<qint8>(src, littleEndian, stride, count, out);
    case SampleType::U16:
        return convert<quint16>(src, littleEndian, stride, count, out);
    case SampleType::S16:
        return convert<qint16>(src, littleEndian, stride, count, out);
    case SampleType::U32:
        return convert<quint32>(src, littleEndian, stride, count, out);
    case SampleType::S32:
        return convert<qint32>(src, littleEndian, stride, count, out);
    case SampleType::F32:
        return convert<float>(src, littleEndian, stride, count, out);
    case SampleType::F64:
        return convert<double>(src, littleEndian, stride, count, out);
    case SampleType::None:
        break;
    }
    std::fill(out, out + count, 0.0);
}
