#include "imgdatatiff.h"

ImgDataTiff::~ImgDataTiff() = default;
void ImgDataTiff::reset() {}
bool ImgDataTiff::readProps(const QString&, int& w, int& h) { w = h = 0; return false; }
bool ImgDataTiff::open(const QString&) { return false; }
double* ImgDataTiff::row(int, double* b) { return b; }
double* ImgDataTiff::column(int, double* b) { return b; }
