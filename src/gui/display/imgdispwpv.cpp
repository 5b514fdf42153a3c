#include "imgdispwpv.h"

#include <QGridLayout>

ImgDispWPV::ImgDispWPV(QWidget* parent) : ImgDispWCBar(parent)
{
    pvForm.setupUi(this);
    lowerGrid->addWidget(pvForm.PVFrame, 0, 0);
    connect(this, &ImgDisp::newPos, this, &ImgDispWPV::noticedNewPos);
    connect(pvForm.ResetScale, &QPushButton::clicked, this, &ImgDisp::resetScale);
    resize(width(), width());
}

void ImgDispWPV::noticedNewPos(int ix, int iy)
{
    pvForm.PosX->setText(QString::number(ix, 'g', 6));
    pvForm.PosY->setText(QString::number(iy, 'g', 6));
    emit newPosInvY(ix, iy);
}

void ImgDispWPV::setVal(double v)
{
    pvForm.Val->setText(QString::number(v, 'g', 6));
}
