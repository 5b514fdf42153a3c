#pragma once

#include <QList>
#include <QStringList>

// I0 images recorded at several X-ray energies, each file's energy read from its name, so a
// data set can take the I0 image nearest to its own energy.
class I0FileSet
{
public:
    // The energy in eV of a name such as "I0-8340_5eV-001.img" (8340.5) or "I0-8.35keV-001.img"
    // (8350): the field between the last two "-" of the file name, "_" read as a decimal point,
    // scaled by 1000 when its unit is keV. 0 when the name holds no number there.
    static double energyFromName(const QString& path);

    void setFiles(const QStringList& files);
    const QStringList& files() const { return m_files; }
    const QList<double>& energies() const { return m_energies; }
    // The index of the file whose energy is nearest (the first of equals); files without an
    // energy in their name never count; -1 when no file has one.
    int nearest(double energy) const;

private:
    QStringList m_files;
    QList<double> m_energies;
};
