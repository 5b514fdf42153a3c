// cirvo-recon: reconstructs slices of a CT data set, or of every data set of a CT-XAFS series,
// without windows, with the multi-slice engine and the saver of the program, and writes the
// same files; alone, or as one task of a job array.
#include "reconcli.h"

#include "util/largeallocations.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <unistd.h>

int main(int argc, char** argv)
{
    keepLargeAllocationsMapped();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cirvo-recon"));
    ReconCli::installMessageHandler();

    QCommandLineParser parser;
    ReconCli::addOptions(parser);
    parser.addOption(QCommandLineOption(
        QStringLiteral("shard"),
        QStringLiteral("Take share I of N of the run's (set, slice) items, 0 <= I < N; N runs "
                       "with I = 0 ... N-1 write together what one run writes. Default in a "
                       "Slurm job array: SLURM_ARRAY_TASK_ID/SLURM_ARRAY_TASK_COUNT."),
        QStringLiteral("I/N")));
    parser.process(app);

    QString why;
    std::optional<WorkShare> share =
        parser.isSet(QStringLiteral("shard"))
            ? WorkShare::parse(parser.value(QStringLiteral("shard")), &why)
            : WorkShare::fromSlurmArray(&why);
    if (!why.isEmpty())
        ReconCli::fail(QStringLiteral("--shard: %1").arg(why));
    LocalTeam team(share.value_or(WorkShare()),
                   parser.isSet(QStringLiteral("progress")) || isatty(STDERR_FILENO));
    return ReconCli::run(parser, team);
}
