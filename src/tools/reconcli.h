#pragma once

#include "recon/workshare.h"

#include <QString>

class QCommandLineParser;

// The processes that share one cirvo-recon run and how each reports: one process alone or one
// task of a job array (LocalTeam), or one MPI rank of several.
class ReconTeam
{
public:
    virtual ~ReconTeam() = default;

    // This process's part of the run's (set, slice) items.
    virtual WorkShare share() const = 0;
    // Prints what concerns the whole run (the list of a series).
    virtual bool leads() const = 0;
    // The run holds `items` (set, slice) items in all, over every process.
    virtual void begin(qint64 items) = 0;
    // One more slice of the set that `label` names is done here: `done` of its `total`, in
    // `seconds`.
    virtual void sliceDone(const QString& label, int done, int total, double seconds) = 0;
    // A data set's slices are done here, with the files written.
    virtual void reconstructed(int slices, qint64 files) = 0;
    // A line of the run's report (standard output).
    virtual void say(const QString& line) = 0;
    // What went wrong (standard error, after the program's name).
    virtual void problem(const QString& line) = 0;
    // The exit status once this process's part is done; failed: it reported a problem.
    virtual int finish(bool failed) = 0;
};

namespace ReconCli
{

// The program's name in messages, and whether this process prints refusals of the options
// (one MPI rank does, for all).
void setProgram(const QString& name, bool speaks);
// Routes Qt's messages: the readers' last reason kept for refusals, debug shown with --verbose.
void installMessageHandler();
// Ends the process with a refusal.
[[noreturn]] void fail(const QString& message);

// Every option of cirvo-recon, --shard excepted.
void addOptions(QCommandLineParser& parser);
// Reads the options (refusing those no data set can meet) and runs this process's part.
int run(const QCommandLineParser& parser, ReconTeam& team);

} // namespace ReconCli

// One process, alone or as one task of a job array: reports on its own terminal.
class LocalTeam : public ReconTeam
{
public:
    LocalTeam(WorkShare share, bool progress) : m_share(share), m_progress(progress) {}

    WorkShare share() const override { return m_share; }
    bool leads() const override { return true; }
    void begin(qint64) override {}
    void sliceDone(const QString& label, int done, int total, double seconds) override;
    void reconstructed(int, qint64) override {}
    void say(const QString& line) override;
    void problem(const QString& line) override;
    int finish(bool failed) override { return failed ? 1 : 0; }

private:
    WorkShare m_share;
    bool m_progress;
};
