#include "fuzzsupport.h"

#include "imageio/imgdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

// Debug messages are the readers' refusals: formatted, then dropped. A Qt warning means a
// misuse of Qt (a bad seek, a missing argument), so it counts as a finding.
void handleMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "Qt message in a fuzz target: %s\n", qPrintable(message));
    std::abort();
}

void readFrame(ImgData& img)
{
    double lo = 0;
    double hi = 0;
    img.minMax(lo, hi);
    std::vector<double> row(size_t(img.width));
    std::vector<double> column(size_t(img.height));
    for (const int r : {-1, 0, img.height - 1, img.height})
        img.row(r, row.data());
    for (const int c : {-1, 0, img.width - 1, img.width})
        img.column(c, column.data());
    img.valueAt(img.width / 2.0, img.height / 2.0);
}

} // namespace

namespace FuzzSupport
{

void init()
{
    static int argc = 1;
    static char name[] = "cirvo-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (workDir().isEmpty()) {
        std::fprintf(stderr, "cannot make a directory for the fuzz target's files\n");
        std::exit(1);
    }
    qInstallMessageHandler(handleMessage);
    ImgData::setMaxFrameBytes(MaxFrameBytes);
}

QString workDir()
{
    // One per process, so parallel runs do not share files; removed at exit. In memory where
    // the system has it: writing the input to a disk file costs ten times the reading.
    static const QFileInfo shm(QStringLiteral("/dev/shm"));
    static QTemporaryDir dir((shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
                             QStringLiteral("/cirvo-fuzz-XXXXXX"));
    return dir.isValid() ? dir.path() : QString();
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(workDir()).absoluteFilePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    return path;
}

QByteArray view(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

void readImage(int type, const QString& path)
{
    int frames = 1;
    for (const bool inMemory : {true, false}) {
        const auto img = ImgData::createImgData(type);
        img->fileName = path;
        img->keepInMemory = inMemory;
        if (!img->load(inMemory ? 0 : frames - 1))
            return;
        frames = img->frameCount;
        readFrame(*img);
    }
}

} // namespace FuzzSupport
