// The plain main of every fuzz target, so that the same target runs under
// libFuzzer (built with clang -fsanitize=fuzzer) or as an ordinary test that
// replays saved inputs and a fixed number of mutations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/fuzz_driver.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vell::fuzzMain(args, [](std::span<const std::uint8_t> input) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
  });
}
