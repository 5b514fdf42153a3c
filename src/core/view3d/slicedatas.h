#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

// One slice of a 3-D view set: a picture, or a grid of values read from a text file.
struct SliceRecord {
    int sw = 0;
    int sh = 0;
    bool isImage = false;
    QImage picture;
    double vMin = 0.0;
    double vMax = 1.0;
    // sh rows of sw values, row-major (index y * sw + x); empty for a picture.
    std::vector<double> values;

    // The value at column x, row y: the low byte (blue) of a picture's pixel, or the stored value.
    double value(int x, int y) const;

    // The "#CIRVO-CTImg" text of the multi-slice calculation; false when the file gives no grid.
    bool readCtImg(const QString& fileName);
    // The "## 240301" position-and-value text; false when the file gives no grid.
    bool readPosValue(const QString& fileName);
};

// The slices of one 3-D view set, read on a worker thread: those that fit the first one's size
// and are not constant, their common value range and a 50-bin histogram picture.
class SliceDatas : public QObject
{
    Q_OBJECT

public:
    explicit SliceDatas(QObject* parent = nullptr);

    // Read on the GUI thread only after loadFilesFinished().
    bool loaded = false;
    std::vector<std::unique_ptr<SliceRecord>> slices;
    int sw = 0;
    int sh = 0;
    double allMin = 0;
    double allMax = 1;
    double rangeLo = 0;
    double rangeHi = 1;
    bool histReady = false;
    int histBins = 50;
    int histHeight = 100;
    std::vector<int> hist;
    double binWidth = 1.0;
    double histMax = 0;
    QImage histPicture;

    int count() const { return int(slices.size()); }
    // Deletes every slice and resets the ranges; emits cleared().
    void clear();

signals:
    void cleared();
    void loadedNewFile(QString fname);
    void loadFilesFinished();

public slots:
    void filesSelected(QStringList files);

private:
    void buildHistogram();
};
