// The time to put one reconstructed slice on disk in each output format, from the result of
// doubles to a file synced and renamed into place: the "#CIRVO-CTImg" data text, a float TIFF
// per slice, and a page of a multi-page TIFF or a slice of an HDF5 volume (the open and the
// finish of the volume shared out over its slices). Each the median of the repeats.
//   cirvo-bench-output [N] [directory]     (default 2048, a temporary folder under /tmp)
#include "imageio/floattiff.h"
#include "imageio/h5volume.h"
#include "recon/slicefiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <unistd.h>

namespace
{

constexpr int Repeats = 7;
constexpr int VolumeSlices = 8;

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "cirvo-bench-output: %s\n", qPrintable(message));
    std::exit(1);
}

// As a reconstruction leaves it: noisy values inside the inscribed circle, 0 outside.
std::vector<double> slice(int n, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 2e-4);
    std::vector<double> result(size_t(n) * size_t(n), 0.0);
    const double r = n / 2.0;
    for (int z = 0; z < n; ++z) {
        for (int x = 0; x < n; ++x) {
            const double d = std::hypot(x + 0.5 - r, z + 0.5 - r) / r;
            if (d < 1)
                result[size_t(z) * n + x] = (d < 0.8 ? 2e-3 : 0.0) + noise(random);
        }
    }
    return result;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The median of `Repeats` runs of `run`, in seconds.
double timed(const std::function<void()>& run)
{
    std::vector<double> seconds;
    for (int i = 0; i < Repeats; ++i) {
        // Every run starts with nothing left to write back from the one before.
        ::sync();
        QElapsedTimer timer;
        timer.start();
        run();
        seconds.push_back(timer.nsecsElapsed() * 1e-9);
    }
    return median(seconds);
}

void writeText(const QString& target, const std::vector<double>& result, int n)
{
    const QByteArray text =
        SliceFiles::sliceText(result, n, {0, 0, double(n), double(n)}, -INFINITY, INFINITY, 0);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        fail(file.errorString());
}

void writeTiff(const QString& target, const std::vector<double>& result, int n)
{
    const SliceFloats floats = SliceFiles::sliceFloats(result, n, {0, 0, double(n), double(n)});
    QString error;
    if (!FloatTiff::writeSlice(target, floats, {QStringLiteral("bench"), 0, n / 2.0, 7112}, error))
        fail(error);
}

// A volume of VolumeSlices slices, each converted from the result as it would arrive.
void writeStack(const QString& target, const std::vector<double>& result, int n)
{
    FloatTiff::Stack stack(target, VolumeSlices);
    if (!stack.open())
        fail(stack.error());
    for (int i = 0; i < VolumeSlices; ++i) {
        auto floats = std::make_shared<SliceFloats>(
            SliceFiles::sliceFloats(result, n, {0, 0, double(n), double(n)}));
        if (!stack.add(i, std::move(floats), {QStringLiteral("bench"), i, n / 2.0, 7112}))
            fail(stack.error());
    }
    if (!stack.finish())
        fail(stack.error());
}

void writeH5(const QString& target, const std::vector<double>& result, int n)
{
    H5Volume::Info info;
    for (int i = 0; i < VolumeSlices; ++i)
        info.slices << i;
    for (int i = 0; i < 3 * n / 2; ++i)
        info.anglesDeg << i * 180.0 / (3 * n / 2);
    info.cor = n / 2.0;
    H5Volume volume(target, info);
    if (!volume.open())
        fail(volume.error());
    for (int i = 0; i < VolumeSlices; ++i) {
        const SliceFloats floats = SliceFiles::sliceFloats(result, n, {0, 0, double(n), double(n)});
        if (!volume.write(i, floats))
            fail(volume.error());
    }
    if (!volume.finish())
        fail(volume.error());
}

} // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 2048;
    if (n < 2 || n > 16384)
        fail(QStringLiteral("N must be 2 ... 16384"));
    QTemporaryDir tmp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/out-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/cirvo-bench-output-XXXXXX"));
    if (!tmp.isValid())
        fail(QStringLiteral("cannot make a folder to write in"));
    const std::vector<double> result = slice(n, 1);

    struct Row {
        const char* format;
        QString file;
        int slices;
        std::function<void(const QString&)> write;
    };
    const Row rows[] = {
        {"data text (.dat)", tmp.filePath("s.dat"), 1,
         [&](const QString& f) { writeText(f, result, n); }},
        {"float TIFF per slice", tmp.filePath("s.tif"), 1,
         [&](const QString& f) { writeTiff(f, result, n); }},
        {"multi-page TIFF, per page", tmp.filePath("v.tif"), VolumeSlices,
         [&](const QString& f) { writeStack(f, result, n); }},
        {"HDF5 volume, per slice", tmp.filePath("v.h5"), VolumeSlices,
         [&](const QString& f) { writeH5(f, result, n); }},
    };
    std::printf("N = %d, median of %d, volumes of %d slices, in %s\n", n, Repeats, VolumeSlices,
                qPrintable(tmp.path()));
    std::printf("%-28s %12s %14s %10s\n", "format", "s per slice", "MiB per slice", "vs text");
    double text = 0;
    for (const Row& row : rows) {
        const double seconds = timed([&] { row.write(row.file); }) / row.slices;
        const double mib = QFileInfo(row.file).size() / double(row.slices) / (1 << 20);
        if (text == 0)
            text = seconds;
        std::printf("%-28s %12.4f %14.2f %9.1fx\n", row.format, seconds, mib, text / seconds);
    }
    return 0;
}
