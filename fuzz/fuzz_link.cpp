// The companion link's receiving side: the input as a byte stream, cut into reads at points
// taken from its first bytes, through the line splitter, and every line through the busy-report
// parser. Cutting the stream differently must not change the lines.
#include "fuzzsupport.h"

#include "link/busyreport.h"
#include "link/linesplitter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{

// Small, so over-long lines are common.
constexpr qsizetype MaxLine = 64;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_link: %s\n", what);
        std::abort();
    }
}

QList<QByteArray> split(const QByteArray& stream, const QList<qsizetype>& cuts)
{
    LineSplitter splitter(MaxLine);
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        lines += splitter.append(stream.mid(from, cut - from));
        check(splitter.pendingBytes() <= MaxLine, "the buffer grew past its bound");
        from = cut;
    }
    lines += splitter.append(stream.mid(from));
    check(splitter.pendingBytes() <= MaxLine, "the buffer grew past its bound");
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t CutBytes = 3;
    if (size < CutBytes)
        return 0;
    const QByteArray stream = FuzzSupport::view(data + CutBytes, size - CutBytes);
    QList<qsizetype> cuts;
    for (size_t i = 0; i < CutBytes; ++i)
        cuts.append(stream.isEmpty() ? 0 : data[i] * stream.size() / 256);
    std::sort(cuts.begin(), cuts.end());

    const QList<QByteArray> lines = split(stream, cuts);
    check(lines == split(stream, {}), "the lines depend on how the stream was cut");
    for (const QByteArray& line : lines) {
        check(line.size() <= MaxLine && !line.contains('\n'), "a line is too long or not split");
        const BusyReport report = BusyReport::parse(line);
        check(report.isReport || (!report.hasFlag && !report.busy && report.command.isEmpty()),
              "a line that is no report changes the state");
        check(report.hasFlag || !report.busy, "busy without a flag");
        check(!report.busy || report.command.isEmpty(), "a busy report names a command");
    }
    return 0;
}
