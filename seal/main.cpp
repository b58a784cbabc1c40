#include "seal/driver.hpp"

int main(int argc, char** argv) {
  return vell::seal::run(argc, argv);
}
