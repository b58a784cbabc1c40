#include <string>
#include <vector>

#include "video/run.hpp"

int main(int argc, char** argv) {
  return vell::video::run(std::vector<std::string>(argv + 1, argv + argc));
}
