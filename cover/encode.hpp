#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "common/result.hpp"

namespace vell::cover {

// The last encoding of the search and the quality it was made at.
struct Encoding {
  double q = 0;
  std::vector<std::uint8_t> bytes;
  int attempts = 0;
};

// Encodes the output bitmap at quality `q`; only the encoder runs again
// between attempts.
using Encoder = std::function<Result<std::vector<std::uint8_t>>(double q)>;

// Encodes at `quality`, taken into 0..1 first (the quality of the result is
// reported, so it must be one the encoder really used, and finite), then,
// while the result is longer than `maxBytes`, again at 0.04 less, never below
// 0.8 and never raising the quality: at most six encodings. Being over budget
// at the floor is not a failure. Fails only when `encode` does.
Result<Encoding> encodeWithinBudget(const Encoder& encode, double quality, std::int64_t maxBytes);

// Writes the JPEG to `path` in one atomic replacement: the path holds the old
// file or the whole new one, never a part. The error text is the system's.
Status writeOutput(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vell::cover
