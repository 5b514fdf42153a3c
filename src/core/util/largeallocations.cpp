#include "largeallocations.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

void keepLargeAllocationsMapped()
{
#if defined(__GLIBC__)
    // A 256-pixel line of doubles; image frames and slices are far larger.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#endif
}
