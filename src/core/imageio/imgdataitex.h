#pragma once

#include "imgdata.h"
#include "pixelformat.h"

#include <QByteArray>

#include <memory>

// A frame of an ITEX file (.img, .his). Multi-frame files hold their frames one after another,
// each further frame preceded by 64 bytes that are not read.
class ImgDataITEX : public ImgData
{
public:
    ImgDataITEX() = default;
    ~ImgDataITEX() override;

    void reset() override;
    bool readFileProps(const DataFile& file, int& width, int& height) override;
    bool openFrame(const DataFile& file) override;
    double* row(int r, double* buffer) const override;
    double* column(int c, double* buffer) const override;
    std::unique_ptr<ImgData> copyProps() const override;

    qint64 dataOffset = 0;
    qint64 frameOffset = 0;
    int hdrWidth = 0;
    int hdrHeight = 0;
    int xOffset = 0;
    int yOffset = 0;
    int pixelType = 0;
    int bytesPerPixel = 0;
    qint64 frameBytes = 0;
    // The frame read into memory; empty when the frame is mapped from the file instead.
    QByteArray frameData;

private:
    void readComment(const QByteArray& comment, int& width, int& height);
    bool frameFits(qint64 offset, qint64 fileSize) const;

    const uchar* m_pixels = nullptr;
    // The whole file, shared with the other frames mapped from it.
    std::shared_ptr<const uchar> m_mapped;
    SampleType m_sampleType = SampleType::None;
};
