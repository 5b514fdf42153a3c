#pragma once

#include "ctfileset.h"
#include "zephmeta.h"

#include <QList>
#include <QString>
#include <QStringList>

// The CT data sets of a CT-XAFS measurement, one per X-ray energy, in the three directory
// layouts: "Eng. Dirs" (one sub-directory per energy), "Brel Std." (files named
// sample-energy-number in one directory) and "Zeph" (a meta file naming one multi-frame file
// per energy). Each layout keeps its own list, so a scan that finds nothing leaves the earlier
// one; the data-directory panel and cirvo-recon --series both read the sets from here.
class DataSetList
{
public:
    enum Layout { NoLayout, EngDirs, BrelStd, ZephStd };

    // The sub-directories of `dir` (without "." and ".."), sorted by name with case respected.
    // Always replaces the list.
    void scanEnergyDirs(const QString& dir);
    // The files of `dir` matching `pattern` (the whole text as one name pattern), sorted by name
    // with case respected, grouped by CtFileSet::keyOf. False, and the earlier sets stay, when
    // no file matches.
    bool scanBrel(const QString& dir, const QString& pattern);
    // Reads the meta file (ZephMeta::read). False, and the earlier items stay, when it cannot be
    // read or yields no item.
    bool scanZeph(const QString& metaFile, const QString& dataDir);

    int count(Layout layout) const;
    bool isValid(Layout layout, int index) const { return index >= 0 && index < count(layout); }
    // The entries of the data-set list: "1 : 8340eV" (Eng. Dirs), "1 : a (8340[eV], 2)"
    // (Brel, a sample name repeated from the previous set shown as blanks), "1 : base_1.his
    // (8340eV), base_1_I0.his" (Zeph).
    QStringList entries(Layout layout) const;
    // Energy in eV of a set; 0 for NoLayout or an index outside the list.
    double energy(Layout layout, int index) const;
    // The set's energy text, which tags its saved files: the sub-directory name, the Brel
    // energy field, or "%1KeV" with the Zeph energy's "." written "_"; empty outside the list.
    QString energyText(Layout layout, int index) const;

    // The data files of a set: the files of the energy sub-directory matching `patterns`
    // (sorted by name ignoring case), the Brel set's files, or the Zeph entry's data file.
    QStringList files(Layout layout, int index, const QStringList& patterns) const;
    // Eng. Dirs: the directory of the last scan joined with the set's sub-directory name.
    QString energyDirPath(int index) const;

    const QString& energyDirsRoot() const { return m_root; }
    const QStringList& subDirs() const { return m_subDirs; }
    const QList<CtFileSet>& fileSets() const { return m_fileSets; }
    const ZephMeta& zeph() const { return m_zeph; }

    // The files of `dir` whose names match any of `patterns`, sorted by name ignoring case, as
    // absolute paths.
    static QStringList filesInDir(const QString& dir, const QStringList& patterns);
    // The number at the front of an energy text: the text up to and including its last digit,
    // "_" read as "."; 0 when that is no number.
    static double leadingNumber(const QString& text);

private:
    QString m_root;
    QStringList m_subDirs;
    QList<CtFileSet> m_fileSets;
    ZephMeta m_zeph;
};
