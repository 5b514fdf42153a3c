#pragma once

#include "dispb.h"
#include "display/greyscale.h"
#include "drawtext.h"
#include "ui_cbarui.h"

#include <memory>

class ImgData;

// A vertical grey ramp over a data range (minV, maxV) with a display window (barLow, barHigh)
// that the user drags. Its mapping is the one every picture producer uses; a producer sets the
// range to its data only while "Fix" is not ticked.
class ColorBar : public DispB
{
    Q_OBJECT

public:
    explicit ColorBar(QWidget* parent = nullptr);
    ~ColorBar() override;

    int greyLevel(double x) const { return scale().level(x); }
    // A copy of the mapping for workers.
    GreyScale scale() const { return {minV, maxV, barLow, barHigh}; }
    void setMinV(double x);
    void setMaxV(double x);
    bool isFixed() const;
    // Renders a loaded image through the bar; unless "Fix" is ticked the bar first takes the
    // image's extremes. Nothing happens for an image that is not valid.
    void toGreyImage(ImgData& data, QImage& image);

    // The "Fix", min and max editors, on a frame the owner places.
    Ui_CBarUI ui;
    DrawText textStyle;
    double minV = 0;
    double maxV = 1;
    double barLow = 0.0;
    double barHigh = 1.0;
    bool dragging = false;
    double* dragTarget = &barLow;

signals:
    void newBar();

public slots:
    void draw1(QPainter* p);
    void onMouseMoved();
    void onMousePressed();
    void onMouseReleased();
    void minVEdited();
    void maxVEdited();
    void setFixColorScale(bool f);

private:
    double fractionAtPointer() const;

    std::unique_ptr<QFrame> m_form;
};
