#include <string>
#include <vector>

#include "place/driver.hpp"

int main(int argc, char** argv) {
  return vell::place::run(std::vector<std::string>(argv + 1, argv + argc));
}
