#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace vell {

using Bytes = std::vector<std::uint8_t>;

// Deterministic mutations of seed inputs: bit flips, byte edits, insertions
// of bytes that parsers find interesting, deletions, repeats and splices.
class Mutator {
 public:
  Mutator(std::vector<Bytes> seeds, std::uint64_t seed);
  Bytes next();

 private:
  Bytes randomBytes();
  void mutate(Bytes& data);

  std::vector<Bytes> seeds_;
  std::mt19937_64 random_;
};

// The plain main of a fuzz target: replays the files named in `args`, or,
// given "--runs N [--seed S] [--corpus DIR]", feeds `target` N mutated inputs
// drawn from the corpus files. The target reports faults by aborting.
// Returns the process exit status.
int fuzzMain(const std::vector<std::string>& args,
             const std::function<void(std::span<const std::uint8_t>)>& target);

}  // namespace vell
