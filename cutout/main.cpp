#include "cutout/driver.hpp"

int main(int argc, char** argv) {
  return vell::cutout::run(argc, argv);
}
