#include "encode/driver.hpp"

int main(int argc, char** argv) {
  return vell::encode::run(argc, argv);
}
