#pragma once

// How much coded data a JPEG's header promises, read from its markers.
// Internal to the image family.

#include <cstdint>
#include <optional>
#include <span>

namespace vell::platform {

// The fewest bytes of entropy-coded data that can hold every block of the
// Huffman-coded JPEG in `bytes`: each 8 x 8 block of each component costs
// at least one bit (the code of its DC difference, never shorter than a
// bit). A file smaller than this stops before its pixels do, however the
// decoder papers over the gap. Nothing when `bytes` is no JPEG, is
// arithmetic-coded (which can spend less than a bit a block) or has no frame
// header before its first scan.
std::optional<std::int64_t> leastJpegDataBytes(std::span<const std::uint8_t> bytes);

}  // namespace vell::platform
