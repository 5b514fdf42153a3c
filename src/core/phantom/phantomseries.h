#pragma once

#include "phantomwriter.h"

#include <QFlags>
#include <QString>
#include <QStringList>

#include <vector>

// Writes a synthetic CT-XAFS series: the data set of the standard phantom at several X-ray
// energies, in the three layouts of energy series (energy sub-directories, sample-energy-number
// names, a Zeph meta file with multi-frame files), with one open-beam image per energy, one
// dark image, the true densities per energy and a description, series.txt.
// The cylinder holds an element with an absorption edge, so its density steps up across the
// edge; every density falls gently with energy, and each energy has its own open-beam level.
class PhantomSeries
{
public:
    enum class Layout { Dirs = 0x1, Brel = 0x2, Zeph = 0x4 };
    Q_DECLARE_FLAGS(Layouts, Layout)

    struct Settings {
        // The data set of every energy: output directory, name, geometry, pixel type, exposure,
        // truth; its i0 is the highest open-beam level. Its layout and density factors are the
        // series' own.
        PhantomWriter::Settings set;
        std::vector<double> energies{7080.0, 7100.0, 7120.0, 7140.0, 7160.0}; // eV
        Layouts layouts = Layouts(Layout::Dirs) | Layout::Brel | Layout::Zeph;
    };

    static constexpr double EdgeEnergy = 7112.0; // eV, the K edge of iron
    static constexpr double EdgeJump = 2.5;      // the density factor well above the edge
    static constexpr double EdgeWidth = 2.0;     // eV

    explicit PhantomSeries(const Settings& settings);

    // Empty when the settings can be written, else the reason they cannot.
    QString check() const;
    // Creates the directories if missing and writes the series. On failure sets *error and
    // leaves none of the files and directories it made.
    bool write(QString* error) const;

    const Settings& settings() const { return m_settings; }
    // The energies in rising order, the order of the files and of the meta file.
    const std::vector<double>& energies() const { return m_energies; }
    // The files of the series relative to the output directory, in the order written.
    QStringList fileNames() const;
    // The data set of energies()[i], with its open-beam level and densities.
    PhantomWriter dataSet(int i) const;
    double i0Level(int i) const;

    // "7080eV", "7112_5eV": the shortest text of the energy, "_" for the decimal point.
    static QString energyText(double eV);
    // The shortest text of the energy in keV: "7.08".
    static QString keVText(double eV);
    // The Zeph number of data set k of n: k zero-padded to ceil(log10 n) digits.
    static QString zephNumber(int k, int n);
    // The density factors at an energy of the cylinder and of the other ellipsoids.
    static double edgeFactor(double eV);
    static double matrixFactor(double eV);

private:
    QString i0Name(int i) const;
    QString truthName(int i) const;
    QString metaName() const;
    QStringList projectionNames(Layout layout, int i) const;
    QString zephName(int i, const QString& suffix) const;
    QString writeFiles(QStringList& written) const;
    QString writeDataSet(int i, QStringList& written) const;
    QString writeText(const QString& fileName, const QString& text, QStringList& written) const;
    QString metaText() const;
    QString description() const;
    QString path(const QString& fileName) const;

    Settings m_settings;
    std::vector<double> m_energies;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PhantomSeries::Layouts)
