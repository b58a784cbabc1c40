#include "seal/base64.hpp"

#include <array>
#include <bit>
#include <cstring>

namespace vell::seal {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every 12-bit value as its two characters: three bytes take two look-ups.
constexpr std::array<char, 2 * 4096> pairTable() {
  std::array<char, 2 * 4096> table{};
  for (int i = 0; i < 4096; ++i) {
    table[2 * i] = kAlphabet[i >> 6];
    table[2 * i + 1] = kAlphabet[i & 63];
  }
  return table;
}
constexpr auto kPairs = pairTable();

// One table a position in a group: the character's six bits already in
// place in the 24-bit group, or a mark in the top byte for anything that is
// not in either alphabet. A group is the OR of four look-ups, and one test
// of the top byte checks all four characters.
constexpr std::uint32_t kInvalid = 0xFF000000u;

constexpr int sixBits(unsigned char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+' || c == '-')
    return 62;
  if (c == '/' || c == '_')
    return 63;
  return -1;
}

constexpr std::array<std::array<std::uint32_t, 256>, 4> groupTables() {
  std::array<std::array<std::uint32_t, 256>, 4> tables{};
  for (int position = 0; position < 4; ++position)
    for (int c = 0; c < 256; ++c) {
      int value = sixBits(static_cast<unsigned char>(c));
      tables[position][c] =
          value < 0 ? kInvalid : static_cast<std::uint32_t>(value) << (18 - 6 * position);
    }
  return tables;
}
constexpr auto kGroups = groupTables();

inline std::uint32_t group(const char* p) {
  auto at = [p](int i) { return static_cast<unsigned char>(p[i]); };
  return kGroups[0][at(0)] | kGroups[1][at(1)] | kGroups[2][at(2)] | kGroups[3][at(3)];
}

// Eight bytes in the order they lie in memory, first byte the highest.
inline std::uint64_t bigEndian(std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::little)
    return __builtin_bswap64(word);
  return word;
}

inline std::uint64_t load64(const void* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return bigEndian(word);
}

// Writes the 48 bits of two groups as six bytes, and two bytes of slack
// after them that the next store (or the caller's room) covers.
inline void put6(std::uint8_t* out, std::uint64_t bits48) {
  std::uint64_t word = bigEndian(bits48 << 16);
  std::memcpy(out, &word, 8);
}

inline void put3(std::uint8_t* out, std::uint32_t bits) {
  out[0] = static_cast<std::uint8_t>(bits >> 16);
  out[1] = static_cast<std::uint8_t>(bits >> 8);
  out[2] = static_cast<std::uint8_t>(bits);
}

inline std::uint64_t pair(std::uint64_t twelveBits) {
  std::uint16_t chars;
  std::memcpy(&chars, &kPairs[2 * twelveBits], 2);
  return chars;
}

inline void putPair(char* out, std::uint32_t twelveBits) {
  std::memcpy(out, &kPairs[2 * twelveBits], 2);
}

}  // namespace

char* encodeBase64(platform::ByteView bytes, char* out) {
  const std::uint8_t* in = bytes.data();
  std::size_t size = bytes.size();
  std::size_t i = 0;
  // Six bytes, eight characters, one store a step: the load reads two bytes
  // past the six, so it stops while there are eight to read.
  for (; i + 8 <= size; i += 6, out += 8) {
    std::uint64_t bits = load64(in + i);
    std::uint64_t chars;
    if constexpr (std::endian::native == std::endian::little)
      chars = pair(bits >> 52) | pair(bits >> 40 & 0xFFF) << 16 | pair(bits >> 28 & 0xFFF) << 32 |
              pair(bits >> 16 & 0xFFF) << 48;
    else
      chars = pair(bits >> 52) << 48 | pair(bits >> 40 & 0xFFF) << 32 |
              pair(bits >> 28 & 0xFFF) << 16 | pair(bits >> 16 & 0xFFF);
    std::memcpy(out, &chars, 8);
  }
  for (; i + 3 <= size; i += 3, out += 4) {
    std::uint32_t bits = std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2];
    putPair(out, bits >> 12);
    putPair(out + 2, bits & 0xFFF);
  }
  std::size_t rest = size - i;
  if (rest) {
    std::uint32_t bits =
        std::uint32_t{in[i]} << 16 | (rest == 2 ? std::uint32_t{in[i + 1]} << 8 : 0);
    putPair(out, bits >> 12);
    out[2] = rest == 2 ? kAlphabet[bits >> 6 & 63] : '=';
    out[3] = '=';
    out += 4;
  }
  return out;
}

SecretString b64(platform::ByteView bytes) {
  SecretString text(encodedSize(bytes.size()), '=');
  encodeBase64(bytes, text.data());
  return text;
}

const char* decodeGroups(const char* p, const char* end, std::uint8_t* out) {
  while (end - p >= 16) {
    std::uint32_t a = group(p), b = group(p + 4), c = group(p + 8), d = group(p + 12);
    if ((a | b | c | d) & kInvalid)
      break;
    put6(out, std::uint64_t{a} << 24 | b);
    put6(out + 6, std::uint64_t{c} << 24 | d);
    p += 16;
    out += 12;
  }
  while (end - p >= 4) {
    std::uint32_t a = group(p);
    if (a & kInvalid)
      break;
    put3(out, a);
    p += 4;
    out += 3;
  }
  return p;
}

std::optional<Ending> decodeEnding(const char* p, const char* end, std::uint8_t* out) {
  // The characters of the last group, then its padding.
  std::uint32_t bits = 0;
  int symbols = 0;
  while (p < end && symbols < 4) {
    int value = sixBits(static_cast<unsigned char>(*p));
    if (value < 0)
      break;
    bits |= static_cast<std::uint32_t>(value) << (18 - 6 * symbols);
    ++symbols;
    ++p;
  }
  // Four symbols here would have been a whole group: the one that stopped
  // decodeGroups held something else further on.
  if (symbols == 4)
    return std::nullopt;
  int padding = 0;
  while (p < end && *p == '=') {
    ++padding;
    ++p;
  }
  // With the padding appended to a length of a multiple of four, "="
  // characters may come to at most two: two symbols take up to two of
  // them, three at most one, none none at all.
  bool fits = (symbols == 0 && padding == 0) || (symbols == 2 && padding <= 2) ||
              (symbols == 3 && padding <= 1);
  if (!fits)
    return std::nullopt;
  // Bits past the last whole byte are ignored, as a strict decoder of the
  // standard alphabet ignores them.
  if (symbols >= 2)
    out[0] = static_cast<std::uint8_t>(bits >> 16);
  if (symbols == 3)
    out[1] = static_cast<std::uint8_t>(bits >> 8);
  return Ending{p, symbols == 0 ? 0u : static_cast<std::size_t>(symbols - 1)};
}

std::optional<std::size_t> decodeMember(std::string_view text, std::uint8_t* out) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* stop = decodeGroups(begin, end, out);
  std::size_t bytes = static_cast<std::size_t>(stop - begin) / 4 * 3;
  auto ending = decodeEnding(stop, end, out + bytes);
  if (!ending || ending->stop != end)
    return std::nullopt;
  return bytes + ending->bytes;
}

}  // namespace vell::seal
