#include <malloc.h>

#include <string>
#include <vector>

#include "cover/driver.hpp"

int main(int argc, char** argv) {
  // One run, a few threads: the networks' buffers come and go in large
  // blocks, which the C library would otherwise keep in a heap per thread
  // long after they are freed, a hundred megabytes and more at the peak.
  // Large blocks are mapped and unmapped on their own, and the threads share
  // two heaps.
  mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
  mallopt(M_ARENA_MAX, 2);
  return vell::cover::run(std::vector<std::string>(argv + 1, argv + argc));
}
