#include "cover/encode.hpp"

#include <algorithm>
#include <cmath>

#include "common/atomic_file.hpp"

namespace vell::cover {

namespace {

constexpr double qualityFloor = 0.8;
constexpr double qualityStep = 0.04;
// The encoder's own range: asked for more than 1 it encodes at 1, and
// stepping down from far above (or from infinity, where a step changes
// nothing) would only repeat that encoding.
constexpr double qualityTop = 1.0;
constexpr double qualityBottom = 0.0;
constexpr mode_t outputMode = 0644;

}  // namespace

Result<Encoding> encodeWithinBudget(const Encoder& encode, double quality, std::int64_t maxBytes) {
  Encoding encoding;
  // NaN stays as it is, for the encoder to refuse.
  encoding.q = std::isnan(quality) ? quality : std::clamp(quality, qualityBottom, qualityTop);
  for (;;) {
    Result<std::vector<std::uint8_t>> bytes = encode(encoding.q);
    ++encoding.attempts;
    if (!bytes)
      return bytes.error();
    encoding.bytes = std::move(*bytes);
    const bool overBudget = static_cast<std::int64_t>(encoding.bytes.size()) > maxBytes;
    if (!(overBudget && encoding.q > qualityFloor))
      return encoding;
    encoding.q = std::max(encoding.q - qualityStep, qualityFloor);
  }
}

Status writeOutput(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  return writeFileAtomically(path, std::span<const unsigned char>(bytes.data(), bytes.size()),
                             outputMode);
}

}  // namespace vell::cover
