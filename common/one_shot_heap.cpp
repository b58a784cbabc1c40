#include "common/one_shot_heap.hpp"

#include <malloc.h>

namespace vell {

void keepHeapForOneRun() {
  mallopt(M_ARENA_MAX, 1);
  // The largest threshold the C library takes on 64-bit systems.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

}  // namespace vell
