#pragma once

#include "imageio/pixelformat.h"
#include "phantom.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Writes a synthetic parallel-beam CT data set of the standard phantom: projections, open-beam
// and dark images, the true densities of every slice and a description, phantom.txt.
class PhantomWriter
{
public:
    enum class Axis { Vertical, Horizontal };
    enum class Layout { His, Img };

    struct Settings {
        QString outDir = QStringLiteral("sample");
        QString name = QStringLiteral("phantom");
        // The image size in the files.
        int width = 256;
        int height = 256;
        int projections = 360;
        double range = 180.0;      // degrees covered by the projections
        double origin = 0.0;       // degrees of the first projection
        std::optional<double> cor; // rotation axis on the detector line; unset: its middle
        Axis axis = Axis::Vertical;
        SampleType pixelType = SampleType::U16;
        // His: NAME.his holds every projection; Img: NAME_00000.img, NAME_00001.img, ...
        Layout layout = Layout::His;
        std::optional<double> i0; // unset: 30000 counts, 200 for u8
        std::optional<double> bg; // unset: 100 counts, 5 for u8
        double exposure = 1.0;    // seconds
        bool truth = true;
        // Factors of the densities of the standard phantom's ellipsoids, in their order
        // (Phantom::StandardPart); empty: all 1.
        std::vector<double> densityFactors;
    };

    explicit PhantomWriter(const Settings& settings);

    // Empty when the settings can be written, else the reason they cannot.
    QString check() const;
    // Creates the output directory if missing and writes the data set. On failure sets *error
    // and leaves none of the files it wrote.
    bool write(QString* error) const;

    const Settings& settings() const { return m_settings; }
    // The files of the data set relative to the output directory, in the order written.
    QStringList fileNames() const;
    // Detector positions along a ray's line: the width, or the height for the horizontal axis.
    int lineLength() const;
    int sliceCount() const;
    double axisPosition() const;
    double i0Counts() const;
    double bgCounts() const;
    double angleDegrees(int projection) const;
    Phantom phantom() const;

    // The parts of write() one by one, into the given paths: each file written is appended to
    // `written`; they return the reason of a failure, else the empty text.
    // `filePaths` holds one file of all projections, or one file per projection.
    QString writeProjections(const QStringList& filePaths, QStringList& written) const;
    QString writeOpenBeam(const QString& filePath, QStringList& written) const;
    QString writeDark(const QString& filePath, QStringList& written) const;
    QString writeTruth(const QString& filePath, QStringList& written) const;
    // The sections of the description on the geometry and on the ellipsoids.
    QString geometryText() const;
    QString ellipsoidText() const;

    // "u8", "s16", "u16", "s32", "f32"; empty for types ITEX cannot store.
    static QString sampleTypeName(SampleType type);
    // SampleType::None for a name sampleTypeName() does not give.
    static SampleType sampleTypeFromName(const QString& name);

private:
    double usableRadius() const;
    double sliceHeight(int slice) const;
    qsizetype pixelIndex(int u, int slice) const;
    std::vector<double> flatField() const;
    QString writeFiles() const;
    QString writeImage(const QString& filePath, const char* kind, const std::vector<double>& pixels,
                       QStringList& written) const;
    QString writeDescription(QStringList& written) const;
    QString description() const;
    QString path(const QString& fileName) const;

    Settings m_settings;
};
