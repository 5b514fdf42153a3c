#pragma once

#include <QColor>
#include <QObject>
#include <QRectF>

class QFont;
class QPainter;

// Draws a string fitted into a box and rotated by any angle.
class DrawText : public QObject
{
    Q_OBJECT

public:
    explicit DrawText(QObject* parent = nullptr);

    // The box is given by its centre, width and height; `angle` is in degrees. With `fit` the
    // font is scaled so the text fills the box (at most `maxPointSize` when that is positive)
    // and the text's bounding rectangle in painter space is returned; otherwise an empty one.
    QRectF drawRotatedText(QPainter* p, double angle, double cx, double cy, double w, double h,
                           const QFont& font, int flags, bool fit, const QString& text,
                           double maxPointSize, bool fillBackground, const QColor& fillColour);
};
