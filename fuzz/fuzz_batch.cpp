// The batch line parser and script loader: each input line is parsed, the input is loaded as
// a script and run for a bounded number of steps, a command's result flag taken from its
// argument count.
#include "fuzzsupport.h"

#include "batch/batch.h"
#include "batch/batchcmd.h"

#include <QCoreApplication>

namespace
{
// ":goto" loops run forever by design; this many commands show how control words chain.
constexpr int MaxSteps = 100;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzSupport::view(data, size);
    for (const QByteArray& line : input.split('\n')) {
        const BatchCmd cmd = BatchCmd::parse(QString::fromUtf8(line));
        cmd.intArg(0);
        cmd.realArg(1);
        cmd.flagArg(2);
        cmd.textArg(cmd.args.size());
    }

    Batch batch;
    batch.batchLoad(FuzzSupport::writeFile(QStringLiteral("script.txt"), input));
    // The main window's part: run the command, set the flag, report it done.
    QObject::connect(&batch, &Batch::batchExCmd, &batch, [&batch](const BatchCmd& cmd) {
        batch.ok = cmd.args.size() % 2 == 0;
        batch.batchCheckEnd();
    });
    batch.batchExec();
    for (int step = 0; step < MaxSteps && batch.isRunning(); ++step)
        QCoreApplication::sendPostedEvents(&batch);
    return 0;
}
