// How the C library's memory serves the workers: heap_posix.cpp and heap_windows.cpp.
#pragma once

namespace lumivex::cli {

// All workers allocate from one heap. For the edits, whose photos take a fraction of a millisecond and
// allocate little, setting up a heap for each worker costs more than their sharing one.
void shareOneHeap();

}  // namespace lumivex::cli
