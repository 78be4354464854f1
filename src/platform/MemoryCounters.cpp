#include "platform/MemoryCounters.h"

#include <malloc.h>

TMemoryCounters& MemoryCounters() {
    static TMemoryCounters counters;
    return counters;
}

void ReleaseFreedMemory() { malloc_trim(0); }
