#pragma once

#include "imgdata.h"
#include "pixelformat.h"

#include <memory>
#include <vector>

class TiffPages;

// A page of a TIFF file; the pages of a multi-page file are its frames. Greyscale pages with one
// 8, 16 or 32-bit integer or 32 or 64-bit floating-point sample per pixel are read, stored as
// strips or tiles, in either byte order, with any compression libtiff decodes.
class ImgDataTiff : public ImgData
{
public:
    ImgDataTiff() = default;
    ~ImgDataTiff() override;

    void reset() override;
    // Counts the pages into frameCount and reports the size of the first page; openFrame() reads
    // only pages of that size.
    bool readFileProps(const DataFile& file, int& width, int& height) override;
    bool openFrame(const DataFile& file) override;
    double* row(int r, double* buffer) const override;
    double* column(int c, double* buffer) const override;
    // The copies share the libtiff handle that read the properties, which already knows where
    // each page starts.
    std::unique_ptr<ImgData> copyProps() const override;

private:
    void releaseFrame();
    bool holdsFrame() const;

    // The handle that read the properties, until a frame is opened through it.
    std::shared_ptr<TiffPages> m_pages;
    // Samples of page frameIndex in host byte order, row by row.
    std::vector<uchar> m_frame;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    SampleType m_sampleType = SampleType::None;
    int m_bytesPerPixel = 0;
};
