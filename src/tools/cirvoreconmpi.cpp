// cirvo-recon-mpi: cirvo-recon over the ranks of an MPI job. Each rank takes its share of the
// (set, slice) items, runs its own pool of workers and writes its own files; rank 0 reports the
// progress of all and, at the end, every rank's report and problems. The exit status is 1 on
// every rank when any rank failed.
#include "reconcli.h"

#include "util/largeallocations.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <mpi.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <unistd.h>
#include <vector>

namespace
{

enum Tag { Progress = 1, Finished = 2 };

// Refusals of the options exit alike on every rank; MPI ends with them.
void finalizeAtExit()
{
    int done = 0;
    MPI_Finalized(&done);
    if (!done)
        MPI_Finalize();
}

// Each rank's lines, on rank 0 (empty lists elsewhere).
QList<QStringList> gatherLines(const QStringList& lines, int rank, int ranks)
{
    const QByteArray mine = lines.join(u'\n').toUtf8();
    int length = int(mine.size());
    std::vector<int> lengths(static_cast<size_t>(ranks));
    MPI_Gather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
    std::vector<int> offsets(static_cast<size_t>(ranks));
    int total = 0;
    for (int r = 0; r < ranks; ++r) {
        offsets[size_t(r)] = total;
        total += lengths[size_t(r)];
    }
    QByteArray all(rank == 0 ? total : 0, '\0');
    MPI_Gatherv(mine.constData(), length, MPI_CHAR, all.data(), lengths.data(), offsets.data(),
                MPI_CHAR, 0, MPI_COMM_WORLD);
    QList<QStringList> out;
    if (rank == 0)
        for (int r = 0; r < ranks; ++r) {
            const QString text =
                QString::fromUtf8(all.constData() + offsets[size_t(r)], lengths[size_t(r)]);
            out << (text.isEmpty() ? QStringList() : text.split(u'\n'));
        }
    return out;
}

class MpiTeam : public ReconTeam
{
public:
    explicit MpiTeam(bool progress) : m_progress(progress)
    {
        MPI_Comm_rank(MPI_COMM_WORLD, &m_rank);
        MPI_Comm_size(MPI_COMM_WORLD, &m_ranks);
        // Rank 0 takes in the others' progress while its own workers run.
        if (m_rank == 0) {
            QObject::connect(&m_poll, &QTimer::timeout, [this] { takeMessages(false); });
            m_poll.start(200);
        }
    }

    WorkShare share() const override { return {m_rank, m_ranks}; }
    bool leads() const override { return m_rank == 0; }

    void begin(qint64 items) override
    {
        m_total = items;
        m_clock.start();
        m_sent.start();
    }

    void sliceDone(const QString&, int done, int total, double) override
    {
        if (m_rank == 0) {
            ++m_done;
            takeMessages(false);
            return;
        }
        ++m_unsent;
        if (done == total || m_sent.elapsed() > 500)
            sendProgress();
    }

    void reconstructed(int slices, qint64 files) override
    {
        m_slices += slices;
        m_files += files;
    }

    void say(const QString& line) override
    {
        if (m_rank != 0) {
            m_lines << line;
            return;
        }
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }

    void problem(const QString& line) override { m_problems << line; }

    int finish(bool failed) override
    {
        m_poll.stop();
        if (m_rank == 0) {
            takeMessages(true);
        } else {
            sendProgress();
            static const int none = 0;
            MPI_Send(&none, 1, MPI_INT, 0, Finished, MPI_COMM_WORLD);
            MPI_Waitall(int(m_requests.size()), m_requests.data(), MPI_STATUSES_IGNORE);
        }
        int mine = failed ? 1 : 0;
        int any = 0;
        MPI_Allreduce(&mine, &any, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
        const long long counts[2] = {m_slices, m_files};
        long long sums[2] = {0, 0};
        MPI_Reduce(counts, sums, 2, MPI_LONG_LONG, MPI_SUM, 0, MPI_COMM_WORLD);
        const QList<QStringList> lines = gatherLines(m_lines, m_rank, m_ranks);
        const QList<QStringList> problems = gatherLines(m_problems, m_rank, m_ranks);
        if (m_rank == 0)
            report(lines, problems, sums);
        return any ? 1 : 0;
    }

private:
    void sendProgress()
    {
        if (m_unsent == 0)
            return;
        // The counts stay in place until their sends complete.
        m_pending.push_back(m_unsent);
        m_unsent = 0;
        m_requests.emplace_back();
        MPI_Isend(&m_pending.back(), 1, MPI_INT, 0, Progress, MPI_COMM_WORLD, &m_requests.back());
        m_sent.restart();
    }

    // Rank 0: the progress and the ends of the other ranks, until all have ended when `untilEnd`.
    void takeMessages(bool untilEnd)
    {
        for (;;) {
            int waiting = 0;
            MPI_Status status;
            if (untilEnd && m_ended < m_ranks - 1) {
                MPI_Probe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &status);
                waiting = 1;
            } else {
                MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &waiting, &status);
            }
            if (!waiting)
                break;
            int value = 0;
            MPI_Recv(&value, 1, MPI_INT, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
                     MPI_STATUS_IGNORE);
            if (status.MPI_TAG == Progress)
                m_done += value;
            else
                ++m_ended;
        }
        showProgress();
    }

    void showProgress()
    {
        if (!m_progress || m_total <= 0 || m_done == m_shown)
            return;
        m_shown = m_done;
        const double rate = m_done / std::max(m_clock.elapsed() / 1000.0, 1e-3);
        std::fprintf(stderr, "\r%d ranks: %lld / %lld slices, %.2f slices/s, %.0f s left   ",
                     m_ranks, m_done, m_total, rate, (m_total - m_done) / rate);
        if (m_done >= m_total)
            std::fputc('\n', stderr);
    }

    void report(const QList<QStringList>& lines, const QList<QStringList>& problems,
                const long long* sums) const
    {
        for (int r = 1; r < m_ranks; ++r)
            for (const QString& line : lines.at(r))
                std::printf("rank %d: %s\n", r, qPrintable(line));
        if (m_total > 0)
            std::printf("%lld slice(s) reconstructed on %d rank(s), %lld file(s) written\n",
                        sums[0], m_ranks, sums[1]);
        std::fflush(stdout);
        // A set cut between ranks fails alike on each: every problem once.
        QStringList seen;
        for (const QStringList& rankProblems : problems)
            for (const QString& line : rankProblems)
                if (!seen.contains(line)) {
                    seen << line;
                    std::fprintf(stderr, "cirvo-recon-mpi: %s\n", qPrintable(line));
                }
    }

    int m_rank = 0;
    int m_ranks = 1;
    bool m_progress = false;
    QTimer m_poll;
    QElapsedTimer m_clock;
    QElapsedTimer m_sent;
    qint64 m_total = 0;
    long long m_done = 0;
    long long m_shown = 0;
    int m_ended = 0;
    int m_unsent = 0;
    std::deque<int> m_pending;
    std::vector<MPI_Request> m_requests;
    long long m_slices = 0;
    long long m_files = 0;
    QStringList m_lines;
    QStringList m_problems;
};

} // namespace

int main(int argc, char** argv)
{
    int provided = 0;
    // Only the main thread calls MPI; the workers are Qt threads that never do.
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    std::atexit(finalizeAtExit);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);

    keepLargeAllocationsMapped();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cirvo-recon-mpi"));
    ReconCli::setProgram(QStringLiteral("cirvo-recon-mpi"), rank == 0);
    ReconCli::installMessageHandler();

    QCommandLineParser parser;
    ReconCli::addOptions(parser);
    parser.process(app);
    MpiTeam team(parser.isSet(QStringLiteral("progress")) || isatty(STDERR_FILENO));
    return ReconCli::run(parser, team);
}
