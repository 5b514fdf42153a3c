#include "sgmwindow.h"

#include <algorithm>
#include <cmath>

SgmWindow SgmWindow::of(bool rotAxIsV, int length, double cor)
{
    SgmWindow w;
    w.rotAxIsV = rotAxIsV;
    w.half = int(std::floor(std::min(cor, length - cor - 1)));
    w.width = 2 * w.half - 1;
    w.cor = cor;
    w.corInt = int(std::floor(cor));
    w.corFrac = cor - std::floor(cor);
    return w;
}
