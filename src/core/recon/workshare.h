#pragma once

#include <QString>

#include <optional>

// Which of a run's work items one of several processes takes: the MPI ranks of one job, or the
// independent tasks of a Slurm job array. The items are (set, slice) pairs; every set has the
// same number of slices. Sets go whole, round-robin, while there are at least as many left as
// parts; the sets of the last, short round are cut into contiguous blocks of slices, so that no
// part waits on a whole set while others idle and each part reads each frame's rows once.
class WorkShare
{
public:
    // The slices [first, end) of set `set` (0-based in the run).
    struct Block {
        int set = 0;
        int first = 0;
        int end = 0;
        bool operator==(const Block&) const = default;
    };

    WorkShare() = default;
    WorkShare(int part, int parts);

    // "I/N" with 0 <= I < N; nullopt and *why when the text is not that.
    static std::optional<WorkShare> parse(const QString& text, QString* why);
    // SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT when both are set; nullopt when neither is,
    // or (with *why) when they do not form a share: an array whose ids do not start at 0, say.
    static std::optional<WorkShare> fromSlurmArray(QString* why);

    int part() const { return m_part; }
    int parts() const { return m_parts; }
    bool whole() const { return m_parts == 1; }

    // This part's blocks, in run order, of `sets` sets of `slices` slices each. wholeSets keeps
    // every set in one part (a data set's stack or HDF5 file is written by one process).
    QList<Block> blocks(int sets, int slices, bool wholeSets) const;

private:
    int m_part = 0;
    int m_parts = 1;
};
