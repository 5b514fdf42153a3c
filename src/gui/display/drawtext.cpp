#include "drawtext.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

DrawText::DrawText(QObject* parent) : QObject(parent) {}

QRectF DrawText::drawRotatedText(QPainter* p, double angle, double cx, double cy, double w,
                                 double h, const QFont& font, int flags, bool fit,
                                 const QString& text, double maxPointSize, bool fillBackground,
                                 const QColor& fillColour)
{
    w = std::abs(w);
    h = std::abs(h);
    const double a = -angle / 180 * 3.141592653;
    const QRectF box(cx * std::cos(a) - cy * std::sin(a) - w / 2,
                     cx * std::sin(a) + cy * std::cos(a) - h / 2, w, h);
    const QFont callerFont = p->font();
    // Turning back by -angle leaves rounding residue that makes the transform a shear.
    const QTransform callerTransform = p->transform();
    p->rotate(angle);

    QFont drawn = font;
    QRectF bounds;
    bool drawable = true;
    if (fit) {
        QFont probe = font;
        probe.setPointSizeF(10);
        const QRectF measured =
            QFontMetricsF(probe).boundingRect(QRectF(0, 0, 5000, 5000), flags, text);
        const double rw = measured.width() > 0 ? w / measured.width() : 1.0;
        const double rh = measured.height() > 0 ? h / measured.height() : 1.0;
        double size = std::min(rw, rh) * 10;
        if (maxPointSize > 0)
            size = std::min(maxPointSize, size);
        // A box of no extent leaves no size to draw at.
        drawable = size > 0;
        if (drawable) {
            drawn.setPointSizeF(size);
            bounds = QFontMetricsF(drawn).boundingRect(QRectF(box.topLeft(), QSizeF(1000, 1000)),
                                                       flags, text);
        }
    }
    if (fillBackground)
        p->fillRect(box, fillColour);
    if (drawable) {
        p->setFont(drawn);
        p->drawText(box, flags, text);
    }
    p->setFont(callerFont);
    p->setTransform(callerTransform);
    return bounds;
}
