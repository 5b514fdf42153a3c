#include "imgdisp.h"

#include "cirvologging.h"

#include <QPainter>

ImgDisp::ImgDisp(QWidget* parent)
    : DispAWLayout(parent), mouse(&form.dispB->mouse), coord(&form.dispB->coord)
{
    qRegisterMetaType<MouseC::MStat>("MouseC::MStat");
    setMouseTracking(true);
    connect(this, &DispAWLayout::wheelMoved0, this, &ImgDisp::onWheelMoved);
    connect(this, &DispAWLayout::mouseMoved0, this, &ImgDisp::onMouseMoved);
    connect(this, &DispAWLayout::mousePressed0, this, &ImgDisp::onMousePressed);
    connect(this, &DispAWLayout::mouseReleased0, this, &ImgDisp::onMouseReleased);
    connect(this, &DispAWLayout::drawImage1, this, &ImgDisp::draw);
}

void ImgDisp::applyView()
{
    coord->setDataRect(view.x(), view.y() + view.height(), view.x() + view.width(), view.y());
}

void ImgDisp::newImage()
{
    if (image.width() > 0 && image.height() > 0 && !scaleSet) {
        view = QRectF(0, 0, image.width(), image.height());
        applyView();
        scaleSet = true;
        emit newS(view);
    }
    form.dispB->update();
}

void ImgDisp::resetScale()
{
    view = QRectF(0, 0, image.width(), image.height());
    applyView();
    form.dispB->update();
}

void ImgDisp::draw(QPainter* p)
{
    const QWidget* d = form.dispB;
    if (!image.isNull())
        p->drawImage(QRectF(0, 0, d->width(), d->height()), image, view);
    if (selecting || hasSelection) {
        const QRectF s = selection.normalized();
        p->setPen(QPen(QColor(255, 255, 0), 1, Qt::DashLine));
        p->drawRect(QRectF(QPointF(coord->toScreenX(s.left()), coord->toScreenY(s.top())),
                           QPointF(coord->toScreenX(s.right()), coord->toScreenY(s.bottom()))));
    }
}

void ImgDisp::onMouseMoved()
{
    if (!mouseEnabled)
        return;
    applyView();
    const double x = mouse->pos.x();
    const double y = mouse->pos.y();
    emit newPos(int(coord->toDataX(x)), int(coord->toDataY(y)));
    if (mouse->pressed) {
        const MouseC::MStat code = mouse->pressStat();
        if (code == MouseC::LeftShift) {
            selection.setWidth(coord->toDataX(x) - selection.x());
            selection.setHeight(coord->toDataY(y) - selection.y());
        } else if (code == MouseC::LeftNone) {
            view.translate(coord->toDataX(mouse->prevPos.x()) - coord->toDataX(x),
                           coord->toDataY(mouse->prevPos.y()) - coord->toDataY(y));
            emit newS(view);
        }
    }
    form.dispB->update();
}

void ImgDisp::onMousePressed()
{
    if (!mouseEnabled)
        return;
    applyView();
    const MouseC::MStat code = mouse->pressStat();
    if (code == MouseC::LeftShift) {
        selecting = true;
        hasSelection = false;
        selection = QRectF(coord->toDataX(mouse->pos.x()), coord->toDataY(mouse->pos.y()), 0, 0);
    } else if (code == MouseC::RightShift) {
        selecting = hasSelection = false;
        selection = QRectF();
    }
    form.dispB->update();
}

void ImgDisp::onMouseReleased()
{
    if (!mouseEnabled)
        return;
    const MouseC::MStat code = mouse->pressStat();
    if (code == MouseC::LeftShift && selecting) {
        selecting = false;
        if (selection.width() != 0 && selection.height() != 0) {
            selection = selection.normalized();
            hasSelection = true;
        }
    }
    if (code == MouseC::LeftNone || code == MouseC::RightNone)
        emit selectedAPoint(coord->toDataX(mouse->pos.x()), coord->toDataY(mouse->pos.y()), code);
    form.dispB->update();
}

void ImgDisp::onWheelMoved()
{
    if (!wheelEnabled)
        return;
    const DispB* d = form.dispB;
    applyView();
    const double f = d->zoomFactor;
    const double mx = mouse->pos.x();
    const double my = mouse->pos.y();
    const double w = view.width() * f;
    const double h = view.height() * f;
    view = QRectF(coord->toDataX(mx) - mx / d->width() * w,
                  coord->toDataY(my) - my / d->height() * h, w, h);
    applyView();
    emit newS(view);
    form.dispB->update();
}

bool ImgDisp::saveImage(const QString& fname)
{
    const QRect part(int(view.x()), int(view.y()), int(view.width()), int(view.height()));
    if (image.copy(part).save(fname))
        return true;
    qCDebug(lcImageIo) << "Can not save image" << fname;
    return false;
}
