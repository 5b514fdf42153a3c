#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <vector>

struct HSgm;

// Which stripe filter runs on a sinogram before the reconstruction, and how strongly. A detector
// column that reads a little high or low adds the same offset to every projection: a stripe in
// the sinogram, a ring in the slice.
struct RingOptions {
    enum class Method {
        Off,
        // Sorts each column along the angles and replaces it, rank by rank, by the median of its
        // neighbours' values of the same rank (Vo et al., Opt. Express 26, 2018). Strength: the
        // median's window in columns.
        Sort,
        // Replaces columns that differ from their neighbourhood far more than the noise (dead or
        // stuck pixels, very bad gain) by interpolation between the good columns beside them.
        // Strength: the threshold in multiples of the neighbourhood's own deviation.
        Dead,
        // Dead at its default threshold, then Sort: the combination recommended for real data.
        // Strength: the window of the sorting step.
        Auto,
    };

    Method method = Method::Off;
    double strength = 0;

    bool operator==(const RingOptions&) const = default;

    // "off", or METHOD[:STRENGTH] with a method from names() and a strength inside its range (the
    // method's default when left out); "auto" alone is the recommended filter. Nothing, with a
    // one-line *error, for an unknown method, a strength that is missing after ':', not a
    // number, out of range or not whole where it must be, or anything after it.
    static std::optional<RingOptions> parse(const QString& text, QString* error);
    // What parse() reads back as these options: the name alone for the default strength.
    QString text() const;

    // The methods in the order of a combo box, and their names in the same order.
    static const QList<Method>& methods();
    static QStringList names();
    static QString name(Method method);
    // What the strength means, for a label or a help text; empty for Off.
    static QString strengthMeaning(Method method);
    static double defaultStrength(Method method);
    static double minStrength(Method method);
    static double maxStrength(Method method);
    static bool strengthIsWhole(Method method);
    // One line per method with its strength's meaning, range and default, for --help.
    static QString help();
};

// What RingFilter::apply changed, for the log.
struct RingReport {
    // Samples that were not finite, replaced from the finite samples of their row.
    qint64 repairedSamples = 0;
    // Columns found bad by Dead or Auto and interpolated from their neighbours, ascending.
    std::vector<int> replacedColumns;
};

class RingFilter
{
public:
    // Filters `rows` x `width` absorption samples (row-major, one row per projection) in place.
    // Off changes nothing. Every other method first replaces samples that are not finite (a dead
    // pixel can read as infinite absorption) by interpolation along their row; a sinogram with
    // no finite sample, or one under 3 columns or rows, gets nothing else.
    static RingReport apply(const RingOptions& options, double* absorption, int width, int rows);
    static RingReport apply(const RingOptions& options, HSgm& sinogram);
};
