#pragma once

#include <QString>

#include <limits>
#include <memory>
#include <vector>

class DataFile;

// One frame of one image file. Rows and columns are handed out as doubles, exactly as the file
// holds the pixel values. Created for one file and frame, loaded once, then only read.
class ImgData
{
public:
    enum FileType { Itex = 0, Tiff = 1, Unknown = 2 };

    static int fileType(const QString& fileName);
    // The type of an opened file, by its first two bytes.
    static int fileType(const DataFile& file);
    static std::unique_ptr<ImgData> createImgData(int type);
    // The first frame of `fileName` in memory, through one open of the file: null for a file of
    // unknown type, else not `valid` when the frame cannot be loaded.
    static std::shared_ptr<ImgData> loadFirstFrame(const QString& fileName);

    // The most bytes one frame may claim (a pixel counts at least one byte); both readers
    // refuse larger claims before allocating. A fuzz run sets it low to stay within memory.
    static constexpr qint64 DefaultMaxFrameBytes = qint64(1) << 34;
    static void setMaxFrameBytes(qint64 bytes);
    static qint64 maxFrameBytes();
    // Whether a frame of `w` x `h` pixels of `bytesPerPixel` bytes is within maxFrameBytes();
    // writes the refusal, naming `name`, when it is not.
    static bool frameWithinLimit(quint64 w, quint64 h, int bytesPerPixel, const QString& name);

    virtual ~ImgData();
    virtual void reset() = 0;
    // Reads the properties of the file, or opens frame frameIndex, through `file`, which the
    // frames of one file share.
    virtual bool readFileProps(const DataFile& file, int& width, int& height) = 0;
    virtual bool openFrame(const DataFile& file) = 0;
    virtual double* row(int r, double* buffer) const = 0;
    virtual double* column(int c, double* buffer) const = 0;
    // A new image of the same file with this image's properties and no frame, so a further frame
    // is loaded (loadFrame) without reading the header again.
    virtual std::unique_ptr<ImgData> copyProps() const = 0;

    // The same as readFileProps and openFrame, each opening the file on its own.
    bool readProps(const QString& fileName, int& width, int& height);
    bool open(const QString& fileName);

    // Reads the properties and opens frame `frameIndex` of `fileName`.
    bool load(int frameIndex);
    // The same through an opened file.
    bool load(const DataFile& file, int frameIndex);
    // Opens frame `frameIndex` with the properties already read (copyProps).
    bool loadFrame(const DataFile& file, int frameIndex);
    void minMax(double& min, double& max);
    // The pixel under image position (x, y), truncated toward zero; 0 outside the image.
    double valueAt(double x, double y) const;

    bool valid = false;
    bool keepInMemory = true;
    double expTime = 1.0;
    int width = 0;
    int height = 0;
    QString fileName;
    int frameIndex = 0;
    // Frames the file holds; the image sets load a multi-frame file frame by frame.
    int frameCount = 1;
    bool minMaxKnown = false;
    double min = std::numeric_limits<double>::max();
    double max = std::numeric_limits<double>::lowest();
    std::vector<double> rowBuf;
    std::vector<double> colBuf;

protected:
    ImgData() = default;
    ImgData(const ImgData&) = delete;
    ImgData& operator=(const ImgData&) = delete;
    // The properties every reader has, for copyProps.
    void copyBasePropsTo(ImgData& other) const;
};
