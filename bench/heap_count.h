// The heap a benchmark's process has in use, and its peak, counted by the operators new and
// delete that heap_count.cpp defines for the whole program. A benchmark sets HeapPeak to
// HeapNow before a step and reads HeapPeak after it.
#pragma once

#include <cstddef>

extern std::size_t HeapNow, HeapPeak;
