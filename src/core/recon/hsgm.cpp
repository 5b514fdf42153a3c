#include "hsgm.h"

void HSgm::resize(int w, int r)
{
    width = w;
    rows = r;
    const size_t samples = w > 0 && r > 0 ? size_t(w) * size_t(r) : 0;
    absorption.resize(samples);
    raw.resize(samples);
}
