#include "platform/image/jpeg_extent.hpp"

#include <algorithm>

namespace vell::platform {

namespace {

// Frame headers of Huffman-coded JPEGs: baseline, extended, progressive,
// lossless, and their hierarchical forms.
bool huffmanFrame(std::uint8_t marker) {
  return (marker >= 0xC0 && marker <= 0xC3) || (marker >= 0xC5 && marker <= 0xC7);
}

bool arithmeticFrame(std::uint8_t marker) {
  return (marker >= 0xC9 && marker <= 0xCB) || (marker >= 0xCD && marker <= 0xCF);
}

// A frame header after its length: precision, height, width, then per
// component its id, sampling factors and table. Every block of every
// component has its DC difference coded once, in one scan or another.
std::optional<std::int64_t> leastBytesOfFrame(std::span<const std::uint8_t> frame) {
  if (frame.size() < 6)
    return std::nullopt;
  const std::int64_t height = std::int64_t{frame[1]} << 8 | frame[2];
  const std::int64_t width = std::int64_t{frame[3]} << 8 | frame[4];
  const std::size_t count = frame[5];
  if (count == 0 || frame.size() < 6 + 3 * count)
    return std::nullopt;
  int hmax = 1, vmax = 1;
  for (std::size_t i = 0; i < count; ++i) {
    hmax = std::max(hmax, frame[7 + 3 * i] >> 4);
    vmax = std::max(vmax, frame[7 + 3 * i] & 15);
  }
  const auto ceilDiv = [](std::int64_t a, std::int64_t b) { return (a + b - 1) / b; };
  std::int64_t blocks = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int h = std::max(1, frame[7 + 3 * i] >> 4);
    const int v = std::max(1, frame[7 + 3 * i] & 15);
    blocks += ceilDiv(ceilDiv(width * h, hmax), 8) * ceilDiv(ceilDiv(height * v, vmax), 8);
  }
  return blocks / 8;
}

}  // namespace

std::optional<std::int64_t> leastJpegDataBytes(std::span<const std::uint8_t> bytes) {
  const std::size_t size = bytes.size();
  if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
    return std::nullopt;
  std::size_t at = 2;
  while (at + 1 < size) {
    if (bytes[at] != 0xFF)
      return std::nullopt;
    // Any number of fill bytes may come before a marker.
    while (at + 1 < size && bytes[at + 1] == 0xFF)
      ++at;
    if (at + 1 >= size)
      return std::nullopt;
    const std::uint8_t marker = bytes[at + 1];
    at += 2;
    // Markers that stand alone carry no length.
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
      continue;
    if (marker == 0xD9 || marker == 0xDA || at + 2 > size)
      return std::nullopt;
    const std::size_t length = std::size_t{bytes[at]} << 8 | bytes[at + 1];
    if (length < 2)
      return std::nullopt;
    if (huffmanFrame(marker) || arithmeticFrame(marker)) {
      return arithmeticFrame(marker) ? std::nullopt : leastBytesOfFrame(bytes.subspan(at + 2));
    }
    at += length;
  }
  return std::nullopt;
}

}  // namespace vell::platform
