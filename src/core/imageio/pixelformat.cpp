#include "pixelformat.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace
{

template <typename T> T readSample(const uchar* p, bool littleEndian)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    if constexpr (sizeof(T) > 1) {
        const bool hostLittle = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        if (littleEndian != hostLittle)
            v = qbswap(v);
    }
    return v;
}

template <> float readSample<float>(const uchar* p, bool littleEndian)
{
    const quint32 bits = readSample<quint32>(p, littleEndian);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

template <> double readSample<double>(const uchar* p, bool littleEndian)
{
    const quint64 bits = readSample<quint64>(p, littleEndian);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

template <typename T>
void convert(const uchar* src, bool littleEndian, qsizetype stride, qsizetype count, double* out)
{
    for (qsizetype i = 0; i < count; ++i, src += stride)
        out[i] = double(readSample<T>(src, littleEndian));
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
