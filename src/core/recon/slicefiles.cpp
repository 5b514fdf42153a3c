#include "slicefiles.h"

#include <QDir>

#include <cmath>
#include <cstdio>

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

namespace
{

// %g with 6 significant digits; NaN without a sign, as the reader expects.
void appendNumber(QByteArray& out, double v)
{
    if (std::isnan(v)) {
        out += "nan";
        return;
    }
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%g", v);
    out.append(buffer, length);
}

void appendInt(QByteArray& out, int v)
{
    out += QByteArray::number(v);
}

void appendLabel(QByteArray& out, const char* label, double v)
{
    out += label;
    appendNumber(out, v);
    out += '\n';
}

} // namespace

QByteArray sliceText(const std::vector<double>& result, int n, const FbpRegion& region,
                     double lower, double upper, double offset)
{
    QByteArray out = "#CIRVO-CTImg\n";
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

    const bool hasRows = n > 0 && result.size() == size_t(n) * size_t(n);
    for (int z = int(region.z0); z < region.z1; ++z) {
        for (int x = int(region.x0); x < region.x1; ++x) {
            double v = 0;
            if (hasRows && z >= 0 && z < n && x >= 0 && x < n)
                v = result[size_t(z) * size_t(n) + size_t(x)];
            appendInt(out, x);
            out += '\t';
            appendInt(out, z);
            out += '\t';
            appendNumber(out, (v < lower || v > upper ? 0 : v) + offset);
            out += '\n';
        }
    }
    return out;
}

} // namespace SliceFiles
