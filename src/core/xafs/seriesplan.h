#pragma once

#include "datasetlist.h"

#include <QList>
#include <QString>
#include <QStringList>

// One data set of a CT-XAFS series as a headless run takes it: its files, its energy, the
// tag of its saved files and the I0 image that belongs to it.
struct SeriesSet {
    int number = 0; // 1-based, as the window's From and To count
    QString name;
    double energy = 0; // eV
    QString energyText;
    QStringList files;
    QString i0File; // empty: no I0 image of its own
    // Why the set cannot be reconstructed; empty when it can.
    QString problem;
};

// Lists the data sets of a series directory in one of the three layouts and picks each set's
// I0 image: the Zeph entry's own, or the file of an I0 directory nearest in energy, as the
// window does with its I0 file set.
class SeriesPlan
{
public:
    struct Source {
        DataSetList::Layout layout = DataSetList::EngDirs;
        QString dir;
        // Eng. Dirs: the file patterns inside a set; Brel: joined, one pattern for the scan.
        QStringList patterns{QStringLiteral("*.img")};
        QString metaFile;
        QString i0Dir;
        QStringList i0Patterns{QStringLiteral("*.img")};
    };

    // False with *error set when the directory holds no data set or the I0 directory no usable
    // I0 file.
    bool list(const Source& source, QString* error);
    const QList<SeriesSet>& sets() const { return m_sets; }

private:
    QList<SeriesSet> m_sets;
};
