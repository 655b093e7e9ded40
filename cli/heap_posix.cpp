#include <malloc.h>

#include "cli/heap.h"

namespace lumivex::cli {

void shareOneHeap() {
#ifdef M_ARENA_MAX
    // Where the C library keeps a heap per thread (an "arena"): one for all.
    mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace lumivex::cli
