// The two slice text readers of the 3-D view: the input is one file, read as "#CIRVO-CTImg" and
// as "## 240301", and every value of a grid that either gives is read back, one beyond each edge
// included: all must be finite and within the slice's range or 0.
#include "fuzzsupport.h"

#include "view3d/slicedatas.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

void readBack(const SliceRecord& r)
{
    for (int y = -1; y <= r.sh; ++y)
        for (int x = -1; x <= r.sw; ++x) {
            const double v = r.value(x, y);
            if (!std::isfinite(v) || (v != 0 && (v < r.vMin || v > r.vMax))) {
                std::fprintf(stderr, "value %g at %d, %d outside %g .. %g\n", v, x, y, r.vMin,
                             r.vMax);
                std::abort();
            }
        }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString file =
        FuzzSupport::writeFile(QStringLiteral("slice.txt"), FuzzSupport::view(data, size));
    SliceRecord r;
    if (r.readCtImg(file))
        readBack(r);
    if (r.readPosValue(file))
        readBack(r);
    return 0;
}
