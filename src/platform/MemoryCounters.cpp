#include "platform/MemoryCounters.h"

TMemoryCounters& MemoryCounters() {
    static TMemoryCounters counters;
    return counters;
}
