#pragma once

#include "imgdata.h"
#include "pixelformat.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <vector>

// A frame of an ITEX file (.img, .his). Multi-frame files hold their frames one after another,
// each further frame preceded by 64 bytes that are not read. Unless kept in memory, a frame stays
// in its file and each row is read when asked for, so a data set larger than the memory can be
// reconstructed slice by slice; a file cut short later reads as zeros, with a message.
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
    // The frame read into memory; empty when the frame stays in its file instead.
    QByteArray frameData;

private:
    void readComment(const QByteArray& comment, int& width, int& height);
    bool frameFits(qint64 offset, qint64 fileSize) const;
    // Rows [first, first + count) of the frame's samples, from memory or from the file; null
    // when the file no longer holds them.
    const uchar* rowSamples(int first, int count, std::vector<uchar>& scratch) const;

    const uchar* m_pixels = nullptr;
    // The open file a frame not kept in memory reads its rows from, shared with the file's other
    // frames.
    std::shared_ptr<const DataFile> m_file;
    mutable std::atomic<bool> m_shortReadReported{false};
    SampleType m_sampleType = SampleType::None;
};
