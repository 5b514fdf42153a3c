#pragma once

#include "display/greyscale.h"
#include "imgdata.h"

#include <QObject>

#include <memory>
#include <vector>

// What a worker thread reads of a data set: the images, their size and the I0 and BG images.
// Nothing in it changes once it is taken; later loads build new lists.
struct ImageSet {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::vector<std::shared_ptr<const ImgData>>> images;
    // Null when the panel holds no valid image.
    std::shared_ptr<const ImgData> i0;
    std::shared_ptr<const ImgData> bg;

    int count() const { return images ? int(images->size()) : 0; }
};

// The raw projection images of the current data set, in loading order (ITEX frames stay in their
// files and are read row by row; TIFF pages are decoded into memory), with the size every
// image must have, and the I0 and BG images of their panels.
class ImgDatas : public QObject
{
    Q_OBJECT

public:
    using ImageSlot = const std::shared_ptr<ImgData>*;

    explicit ImgDatas(QObject* parent = nullptr);

    // The size is fixed by the first image and reset only by clear().
    int width = 0;
    int height = 0;

    int count() const { return int(m_images.size()); }
    ImgData* image(int index) const;
    // The panel's current image when it is valid, else null.
    ImgData* i0() const { return present(m_i0Slot); }
    ImgData* bg() const { return present(m_bgSlot); }
    void setI0Slot(ImageSlot slot) { m_i0Slot = slot; }
    void setBGSlot(ImageSlot slot) { m_bgSlot = slot; }
    std::shared_ptr<const ImageSet> snapshot() const;

    // Renders image `index` through `scale`; unless `fixed`, the scale first takes the image's
    // extremes. False for an index outside the set.
    bool toImage(int index, QImage& image, GreyScale& scale, bool fixed);

    // Frames the file holds (1 for a single-frame file, 0 when it cannot be read). The file stays
    // open, its header read, for the add() calls of its frames that follow on this thread, until
    // its last frame is added, a frame is refused, or clearImgs() or the next count.
    static int frameCountOf(const QString& filePath);

signals:
    void imageUpdated();

public slots:
    bool add(const QString& filePath, int idx);
    void clearImgs();
    void clear();

private:
    static ImgData* present(ImageSlot slot);

    std::vector<std::shared_ptr<ImgData>> m_images;
    ImageSlot m_i0Slot = nullptr;
    ImageSlot m_bgSlot = nullptr;
    // The image list handed to readers; rebuilt after the set changed.
    mutable std::shared_ptr<const std::vector<std::shared_ptr<const ImgData>>> m_published;
};
