#include <string>
#include <vector>

#include "common/one_shot_heap.hpp"
#include "cover/driver.hpp"

int main(int argc, char** argv) {
  vell::keepHeapForOneRun();
  return vell::cover::run(std::vector<std::string>(argv + 1, argv + argc));
}
