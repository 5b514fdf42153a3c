#include "imgdatas.h"

#include "cirvologging.h"
#include "datafile.h"

namespace
{

// The file frameCountOf read last on this thread, with its properties, so that the add() calls
// for its frames that follow neither open it again nor read its header again. Dropped after its
// last frame, a refused frame or the next count; each count opens the file afresh.
struct CountedFile {
    std::shared_ptr<const DataFile> file;
    std::unique_ptr<ImgData> props;
};
thread_local CountedFile counted;

// Frame `idx` of `filePath`, loaded or refused (not valid); null for a file of unknown type. The
// frames of a data set stay in their files where the format allows, so its size is not bounded
// by the memory.
std::shared_ptr<ImgData> loadFrame(const QString& filePath, int idx)
{
    std::shared_ptr<ImgData> img;
    if (counted.props && counted.props->fileName == filePath) {
        img = counted.props->copyProps();
        img->keepInMemory = false;
        img->valid = img->loadFrame(*counted.file, idx);
        if (!img->valid || idx + 1 >= img->frameCount)
            counted = {};
        return img;
    }
    const std::shared_ptr<const DataFile> file = DataFile::open(filePath);
    img = ImgData::createImgData(ImgData::fileType(*file));
    if (img) {
        img->keepInMemory = false;
        img->fileName = filePath;
        img->valid = img->load(*file, idx);
    }
    return img;
}

} // namespace

ImgDatas::ImgDatas(QObject* parent) : QObject(parent) {}

ImgData* ImgDatas::image(int index) const
{
    return index >= 0 && index < count() ? m_images[size_t(index)].get() : nullptr;
}

ImgData* ImgDatas::present(ImageSlot slot)
{
    return slot && *slot && (*slot)->valid ? slot->get() : nullptr;
}

std::shared_ptr<const ImageSet> ImgDatas::snapshot() const
{
    if (!m_published)
        m_published = std::make_shared<const std::vector<std::shared_ptr<const ImgData>>>(
            m_images.begin(), m_images.end());
    auto set = std::make_shared<ImageSet>();
    set->width = width;
    set->height = height;
    set->images = m_published;
    if (i0())
        set->i0 = *m_i0Slot;
    if (bg())
        set->bg = *m_bgSlot;
    return set;
}

bool ImgDatas::add(const QString& filePath, int idx)
{
    std::shared_ptr<ImgData> img = loadFrame(filePath, idx);
    if (!img)
        return false;
    if (!img->valid) {
        qCDebug(lcImageIo) << "File is not ready to access" << filePath;
        return false;
    }
    const bool first = width == 0;
    if (first) {
        width = img->width;
        height = img->height;
    }
    if ((first || width == img->width) && height == img->height) {
        m_images.push_back(std::move(img));
        m_published.reset();
        return true;
    }
    qCDebug(lcImageIo).noquote() << QStringLiteral("Mismatch image size: (%1, %2) != (%3, %4) : ")
                                        .arg(width)
                                        .arg(height)
                                        .arg(img->width)
                                        .arg(img->height)
                                 << QDebug::toString(filePath);
    return false;
}

void ImgDatas::clearImgs()
{
    counted = {};
    m_images.clear();
    m_published.reset();
}

void ImgDatas::clear()
{
    clearImgs();
    width = height = 0;
}

bool ImgDatas::toImage(int index, QImage& image, GreyScale& scale, bool fixed)
{
    ImgData* img = this->image(index);
    if (!img)
        return false;
    if (!fixed)
        img->minMax(scale.minV, scale.maxV);
    image = scale.toImage(*img);
    emit imageUpdated();
    return true;
}

int ImgDatas::frameCountOf(const QString& filePath)
{
    counted = {};
    const std::shared_ptr<const DataFile> file = DataFile::open(filePath);
    std::unique_ptr<ImgData> props = ImgData::createImgData(ImgData::fileType(*file));
    if (!props || !props->readFileProps(*file, props->width, props->height))
        return 0;
    props->fileName = filePath;
    const int frames = props->frameCount;
    counted = {file, std::move(props)};
    return frames;
}
