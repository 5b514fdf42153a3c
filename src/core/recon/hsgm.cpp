#include "hsgm.h"

void HSgm::resize(int w, int r)
{
    absorption.clear();
    raw.clear();
    width = w;
    rows = r;
    if (w > 0 && r > 0) {
        absorption.assign(size_t(w) * size_t(r), 0.0);
        raw.assign(size_t(w) * size_t(r), 0.0);
    }
}
