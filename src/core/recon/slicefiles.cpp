#include "slicefiles.h"

#include <QDir>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace SliceFiles
{

QString number(int slice)
{
    return QString::asprintf("%05d", slice);
}

QString fileName(const QString& name, const QString& tag, const QString& number, const QString& ext)
{
    if (name.isEmpty())
        return tag + u'-' + number + u'.' + ext;
    return name + u'-' + tag + u'-' + number + u'.' + ext;
}

QStringList directories(const QString& path, const QString& tag, const QString& number,
                        const FolderOptions& options)
{
    if (!options.useSubFolders)
        return {path};
    const QString separator = QDir::separator();
    QStringList dirs;
    if (options.ofEnergy)
        dirs << path + separator + tag;
    if (options.ofSlice || !options.ofEnergy)
        dirs << path + separator + number;
    return dirs;
}

QString volumeFileName(const QString& name, const QString& tag, const QString& ext)
{
    QStringList parts;
    for (const QString& part : {name, tag})
        if (!part.isEmpty())
            parts << part;
    // A hidden ".tif" would be easy to miss.
    const QString stem = parts.isEmpty() ? QStringLiteral("slices") : parts.join(u'-');
    return stem + u'.' + ext;
}

QString volumeDirectory(const QString& path, const QString& tag, const FolderOptions& options)
{
    if (options.useSubFolders && options.ofEnergy)
        return path + QDir::separator() + tag;
    return path;
}

namespace
{

// The longest %g text with six significant digits: "-1.23457e-308".
constexpr int MaxNumberChars = 13;
constexpr int MaxIntChars = 11;

// %g with 6 significant digits, which std::to_chars gives without printf's cost; NaN without a
// sign, as the reader expects.
char* writeNumber(char* out, double v)
{
    if (std::isnan(v))
        return std::copy_n("nan", 3, out);
    return std::to_chars(out, out + MaxNumberChars, v, std::chars_format::general, 6).ptr;
}

char* writeInt(char* out, int v)
{
    return std::to_chars(out, out + MaxIntChars, v).ptr;
}

void appendNumber(QByteArray& out, double v)
{
    char text[MaxNumberChars];
    out.append(text, writeNumber(text, v) - text);
}

void appendLabel(QByteArray& out, const char* label, double v)
{
    out += label;
    appendNumber(out, v);
    out += '\n';
}

void appendHeader(QByteArray& out, const FbpRegion& region)
{
    out += "#CIRVO-CTImg\n";
    appendLabel(out, "# Range_X0       : ", region.x0);
    appendLabel(out, "# Range_Y0       : ", region.z0);
    appendLabel(out, "# Range_X1       : ", region.x1 - 1);
    appendLabel(out, "# Range_Y1       : ", region.z1 - 1);
    out += "# sx,sy, ex,ey   : ";
    appendNumber(out, region.x0);
    out += '\t';
    appendNumber(out, region.z0);
    out += '\t';
    appendNumber(out, region.x1 - 1);
    out += '\t';
    appendNumber(out, region.z1 - 1);
    out += '\n';
}

// The integers from int(from) while below `to`: [begin, end).
struct Steps {
    int begin;
    int end;
};

Steps steps(double from, double to)
{
    const int begin = int(from);
    const double end = std::min(std::ceil(to), double(std::numeric_limits<int>::max()));
    return {begin, end > begin ? int(end) : begin};
}

// Writes pixel values clipped to [lower, upper] and offset, reusing the text of the previous
// value while values repeat: the corners outside the circle, values clipped to 0.
class ValueWriter
{
public:
    ValueWriter(double lower, double upper, double offset)
        : m_lower(lower), m_upper(upper), m_offset(offset)
    {
    }

    // Has room for the longest number at `out`.
    char* write(char* out, double v)
    {
        const double mapped = (v < m_lower || v > m_upper ? 0 : v) + m_offset;
        const auto bits = std::bit_cast<quint64>(mapped);
        if (bits != m_bits) {
            m_bits = bits;
            m_length = writeNumber(m_text, mapped) - m_text;
        }
        std::memcpy(out, m_text, sizeof m_text);
        return out + m_length;
    }

private:
    double m_lower;
    double m_upper;
    double m_offset;
    // Starts as a NaN, whose text "nan" is right for it.
    quint64 m_bits = std::bit_cast<quint64>(std::numeric_limits<double>::quiet_NaN());
    char m_text[MaxNumberChars] = {'n', 'a', 'n'};
    qsizetype m_length = 3;
};

int intChars(int v)
{
    char text[MaxIntChars];
    return int(writeInt(text, v) - text);
}

// The most characters a line of non-empty ranges can take; the widest integer of a range is at
// one of its ends.
int lineChars(Steps xs, Steps zs)
{
    const auto widest = [](Steps s) { return std::max(intChars(s.begin), intChars(s.end - 1)); };
    return widest(xs) + 1 + widest(zs) + 1 + MaxNumberChars + 1;
}

// Room for every line at once, so the text is never copied while it grows.
void reserveLines(QByteArray& out, Steps xs, Steps zs, int maxLineChars)
{
    qsizetype bytes = 0;
    if (!qMulOverflow(qsizetype(xs.end) - xs.begin, qsizetype(zs.end) - zs.begin, &bytes) &&
        !qMulOverflow(bytes, qsizetype(maxLineChars), &bytes) &&
        !qAddOverflow(bytes, out.size(), &bytes))
        out.reserve(bytes);
}

// The lines of result row z; `row` is null where the result has no such row.
void appendRow(QByteArray& out, const double* row, int n, int z, Steps xs, int maxLineChars,
               ValueWriter& values)
{
    // Copied whole, which is quicker than a copy of its length: a line has room for the tabs,
    // z and the longest number from where z starts.
    char zText[MaxIntChars + 2] = {'\t'};
    static_assert(sizeof zText <= MaxNumberChars + 3);
    char* zEnd = writeInt(zText + 1, z);
    *zEnd++ = '\t';
    const qsizetype zLength = zEnd - zText;

    const qsizetype start = out.size();
    out.resize(start + (qsizetype(xs.end) - xs.begin) * maxLineChars);
    char* p = out.data() + start;
    for (int x = xs.begin; x < xs.end; ++x) {
        const double v = row && x >= 0 && x < n ? row[x] : 0;
        p = writeInt(p, x);
        std::memcpy(p, zText, sizeof zText);
        p = values.write(p + zLength, v);
        *p++ = '\n';
    }
    out.resize(p - out.constData());
}

} // namespace

QByteArray sliceText(const std::vector<double>& result, int n, const FbpRegion& region,
                     double lower, double upper, double offset)
{
    QByteArray out;
    appendHeader(out, region);
    const bool hasRows = n > 0 && result.size() == size_t(n) * size_t(n);
    const Steps xs = steps(region.x0, region.x1);
    const Steps zs = steps(region.z0, region.z1);
    if (xs.end == xs.begin || zs.end == zs.begin)
        return out;
    const int maxLineChars = lineChars(xs, zs);
    reserveLines(out, xs, zs, maxLineChars);
    ValueWriter values(lower, upper, offset);
    for (int z = zs.begin; z < zs.end; ++z) {
        const bool inside = hasRows && z >= 0 && z < n;
        const double* row = inside ? result.data() + size_t(z) * size_t(n) : nullptr;
        appendRow(out, row, n, z, xs, maxLineChars, values);
    }
    out.squeeze();
    return out;
}

SliceFloats sliceFloats(const std::vector<double>& result, int n, const FbpRegion& region)
{
    const Steps xs = steps(region.x0, region.x1);
    const Steps zs = steps(region.z0, region.z1);
    const qsizetype width = qsizetype(xs.end) - xs.begin;
    const qsizetype height = qsizetype(zs.end) - zs.begin;
    constexpr qsizetype maxSide = std::numeric_limits<int>::max();
    SliceFloats out;
    qsizetype count = 0;
    if (width == 0 || height == 0 || width > maxSide || height > maxSide ||
        qMulOverflow(width, height, &count))
        return out;
    out = {xs.begin, zs.begin, int(width), int(height), {}};
    out.values.assign(size_t(count), 0.0f);
    if (n <= 0 || result.size() != size_t(n) * size_t(n))
        return out;
    // Only the part of the region inside the result has values; the rest stays 0.
    const int xBegin = std::clamp(xs.begin, 0, n);
    const int xEnd = std::clamp(xs.end, xBegin, n);
    const int zBegin = std::clamp(zs.begin, 0, n);
    const int zEnd = std::clamp(zs.end, zBegin, n);
    for (int z = zBegin; z < zEnd; ++z) {
        const double* row = result.data() + size_t(z) * size_t(n);
        float* line = out.values.data() + size_t(z - zs.begin) * size_t(out.width);
        for (int x = xBegin; x < xEnd; ++x)
            line[x - xs.begin] = float(row[x]);
    }
    return out;
}

} // namespace SliceFiles
