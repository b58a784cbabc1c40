#include <string>
#include <vector>

#include "calendar/bridge.hpp"

int main(int argc, char** argv) {
  return vell::calendar::run(std::vector<std::string>(argv + 1, argv + argc));
}
