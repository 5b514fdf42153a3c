#pragma once

// Images, sinograms and slices are large blocks that come and go with every data set. glibc's
// malloc raises its mmap threshold after the first large block is freed and from then on
// carves such blocks from the heap, so a run over many data sets leaves the heap fragmented
// and the process grows set after set. A fixed threshold keeps every large block in a mapping
// of its own, handed back to the system when it is freed. Call once at start-up.
void keepLargeAllocationsMapped();
