#include "cli/heap.h"

namespace lumivex::cli {

// The system's heap is shared by every thread already.
void shareOneHeap() {}

}  // namespace lumivex::cli
