#include "imgdispwcbar.h"

#include <QGridLayout>

ImgDispWCBar::ImgDispWCBar(QWidget* parent) : ImgDisp(parent), lowerGrid(new QGridLayout)
{
    barForm.setupUi(this);
    form.gridLayout->addWidget(barForm.CBar, 0, 1);
    form.gridLayout->addLayout(lowerGrid, 1, 0, 1, 2);
    lowerGrid->addWidget(barForm.CBar->ui.CBarUIBase, 0, 1);
    connect(barForm.CBar, &ColorBar::newBar, this, &ImgDispWCBar::newBar);
}
