#pragma once

#include "dispawlayout.h"
#include "mousec.h"

#include <QImage>
#include <QRectF>

class ChCoord;

// Shows a part of one grey picture: wheel zoom about the pointer, panning with the plain left
// button, a selection with Shift+left, point picks with plain clicks, and saving of the visible
// part. The owner assigns `image` and calls newImage().
class ImgDisp : public DispAWLayout
{
    Q_OBJECT

public:
    explicit ImgDisp(QWidget* parent = nullptr);

    MouseC* mouse;
    ChCoord* coord;
    bool scaleSet = false;
    // The image region shown, in image pixels, y growing downward.
    QRectF view;
    QImage image;
    bool selecting = false;
    bool hasSelection = false;
    QRectF selection;
    bool mouseEnabled = true;
    bool wheelEnabled = true;

signals:
    void newPos(int ix, int iy);
    void newS(QRectF s);
    void selectedAPoint(double x, double y, MouseC::MStat s);

public slots:
    void onWheelMoved();
    void onMouseMoved();
    void onMousePressed();
    void onMouseReleased();
    void draw(QPainter* p);
    void newImage();
    void resetScale();
    // Saves the visible part of the picture; the format follows the name's suffix.
    bool saveImage(const QString& fname);

private:
    void applyView();
};
