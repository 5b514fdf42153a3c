// Measures what loading a data set into the image set costs: time, files opened and peak
// resident memory.
//   cirvo-bench-load FILE...             load every frame of the files
//   cirvo-bench-load --make W H N FILE   first write an N-frame 16-bit ITEX file of W x H
#include "imageio/datafile.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <vector>

namespace
{

long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

bool makeFile(int w, int h, int n, const QString& path)
{
    ItexWriter writer(path, w, h, SampleType::U16, n, ItexWriter::standardComment(w, h, 1));
    std::vector<double> frame(size_t(w) * size_t(h));
    for (int k = 0; k < n; ++k) {
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = double((i + size_t(k)) % 60000);
        if (!writer.appendFrame(frame.data()))
            return false;
    }
    return writer.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 5 && args.first() == QLatin1String("--make")) {
        if (!makeFile(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4])) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args[4]));
            return 1;
        }
        args = args.mid(4);
    }
    const long before = peakResidentKiB();
    const qint64 opensBefore = DataFile::openCount();
    QElapsedTimer timer;
    timer.start();
    ImgDatas set;
    qint64 pixels = 0;
    for (const QString& file : args)
        for (int k = 0, n = ImgDatas::frameCountOf(file); k < n; ++k)
            if (set.add(file, k))
                pixels += qint64(set.width) * set.height;
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 opens = DataFile::openCount() - opensBefore;
    const long peak = peakResidentKiB();
    std::printf("images %d of %d x %d, %.1f MiB of pixels as doubles would be %.1f MiB\n",
                set.count(), set.width, set.height, pixels * 2 / 1048576.0, pixels * 8 / 1048576.0);
    std::printf("load %.3f s, %lld files opened, peak resident %.1f MiB (%.1f MiB before "
                "loading)\n",
                seconds, static_cast<long long>(opens), peak / 1024.0, before / 1024.0);
    return set.count() > 0 ? 0 : 1;
}
