#pragma once

#include "selectafile.h"

#include <memory>

class ImgData;
class ImgDispWPV;
class QLineEdit;

// A SelectAFile that loads the chosen image, shows it in a display window of its own with the
// pixel value under the pointer, and carries the image's exposure time.
class SelectAImgFile : public SelectAFile
{
    Q_OBJECT

public:
    explicit SelectAImgFile(QWidget* parent = nullptr);

    // Null while no image is loaded. A loaded image is never changed: a new file replaces the
    // pointer, so a reader that copied it keeps a whole image.
    const std::shared_ptr<ImgData>& currentImage() const { return m_current; }
    // The slot itself, for image sets that follow whatever this panel holds.
    const std::shared_ptr<ImgData>* imageSlot() const { return &m_current; }
    ImgDispWPV* display() const { return m_display; }
    // The text of `ExpTimeLE`; 0 when it holds no number.
    double expTime() const;

public slots:
    void noticedNewPos(double x, double y);
    void clear();
    void setExpTime(double time);

private:
    void loadImage(const QString& fname);
    void renderImage();
    double valueAt(double x, double y) const;

    QLineEdit* m_expTime;
    ImgDispWPV* m_display;
    std::shared_ptr<ImgData> m_current;
    double m_initialExpTime;
};
