#include "dispawlayout.h"

DispAWLayout::DispAWLayout(QWidget* parent) : QFrame(parent)
{
    form.setupUi(this);
    DispB* d = form.dispB;
    connect(d, &DispB::drawImage0, this, &DispAWLayout::drawImage0);
    connect(d, &DispB::drawImage1, this, &DispAWLayout::drawImage1);
    connect(d, &DispB::drawImage2, this, &DispAWLayout::drawImage2);
    connect(d, &DispB::mouseMoved0, this, &DispAWLayout::mouseMoved0);
    connect(d, &DispB::mousePressed0, this, &DispAWLayout::mousePressed0);
    connect(d, &DispB::mouseReleased0, this, &DispAWLayout::mouseReleased0);
    connect(d, &DispB::mouseDoubleClicked0, this, &DispAWLayout::mouseDoubleClicked0);
    connect(d, &DispB::wheelMoved0, this, &DispAWLayout::wheelMoved0);
}
