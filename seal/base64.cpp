#include "seal/base64.hpp"

#include <array>

namespace vell::seal {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> decodingTable() {
  std::array<int, 256> table{};
  for (auto& entry : table)
    entry = -1;
  for (int i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr auto kDecoding = decodingTable();

}  // namespace

SecretString b64(platform::ByteView bytes) {
  SecretString text((bytes.size() + 2) / 3 * 4, '=');
  char* out = text.data();
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3, out += 4) {
    unsigned group = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    out[0] = kAlphabet[group >> 18 & 63];
    out[1] = kAlphabet[group >> 12 & 63];
    out[2] = kAlphabet[group >> 6 & 63];
    out[3] = kAlphabet[group & 63];
  }
  size_t rest = bytes.size() - i;
  if (rest) {
    unsigned group = bytes[i] << 16 | (rest == 2 ? bytes[i + 1] << 8 : 0);
    out[0] = kAlphabet[group >> 18 & 63];
    out[1] = kAlphabet[group >> 12 & 63];
    if (rest == 2)
      out[2] = kAlphabet[group >> 6 & 63];
  }
  return text;
}

std::optional<platform::Secret> decodeStrict(std::string_view text) {
  if (text.size() % 4 != 0)
    return std::nullopt;
  size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=')
    ++padding;
  if (padding > 2)
    return std::nullopt;
  size_t symbols = text.size() - padding;
  platform::Secret bytes(symbols * 6 / 8);
  std::uint8_t* out = bytes.data();
  size_t i = 0;
  for (; i + 4 <= symbols; i += 4, out += 3) {
    int a = kDecoding[static_cast<unsigned char>(text[i])];
    int b = kDecoding[static_cast<unsigned char>(text[i + 1])];
    int c = kDecoding[static_cast<unsigned char>(text[i + 2])];
    int d = kDecoding[static_cast<unsigned char>(text[i + 3])];
    if ((a | b | c | d) < 0)
      return std::nullopt;
    unsigned group = static_cast<unsigned>(a << 18 | b << 12 | c << 6 | d);
    out[0] = static_cast<std::uint8_t>(group >> 16);
    out[1] = static_cast<std::uint8_t>(group >> 8);
    out[2] = static_cast<std::uint8_t>(group);
  }
  // The last, padded group: two or three symbols give one or two bytes.
  unsigned group = 0;
  size_t rest = symbols - i;
  for (size_t k = 0; k < rest; ++k) {
    int value = kDecoding[static_cast<unsigned char>(text[i + k])];
    if (value < 0)
      return std::nullopt;
    group |= static_cast<unsigned>(value) << (18 - 6 * k);
  }
  if (rest >= 2)
    *out++ = static_cast<std::uint8_t>(group >> 16);
  if (rest == 3)
    *out++ = static_cast<std::uint8_t>(group >> 8);
  return bytes;
}

std::optional<platform::Secret> unb64(const Json* value) {
  if (!value || !value->is_string())
    return std::nullopt;
  SecretString text = value->get_ref<const SecretString&>();
  for (char& c : text) {
    if (c == '-')
      c = '+';
    else if (c == '_')
      c = '/';
  }
  // Padding is counted in characters, not bytes; a multi-byte character can
  // never decode anyway, so the difference does not change the answer.
  while (text.size() % 4 != 0)
    text += '=';
  return decodeStrict(text);
}

}  // namespace vell::seal
