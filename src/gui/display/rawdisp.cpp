#include "rawdisp.h"

RawDisp::RawDisp(QWidget* parent) : ImgDispWPV(parent) {}
