#include "common/one_shot_heap.hpp"
#include "cutout/driver.hpp"

int main(int argc, char** argv) {
  vell::keepHeapForOneRun();
  return vell::cutout::run(argc, argv);
}
