#include <string>
#include <vector>

#include "cover/driver.hpp"

int main(int argc, char** argv) {
  return vell::cover::run(std::vector<std::string>(argv + 1, argv + argc));
}
