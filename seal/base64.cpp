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
  SecretString text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned group = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    text += kAlphabet[group >> 18 & 63];
    text += kAlphabet[group >> 12 & 63];
    text += kAlphabet[group >> 6 & 63];
    text += kAlphabet[group & 63];
  }
  size_t rest = bytes.size() - i;
  if (rest) {
    unsigned group = bytes[i] << 16 | (rest == 2 ? bytes[i + 1] << 8 : 0);
    text += kAlphabet[group >> 18 & 63];
    text += kAlphabet[group >> 12 & 63];
    text += rest == 2 ? kAlphabet[group >> 6 & 63] : '=';
    text += '=';
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
  platform::Secret bytes;
  bytes.reserve(text.size() / 4 * 3);
  unsigned group = 0;
  int bits = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    int value = kDecoding[static_cast<unsigned char>(text[i])];
    if (value < 0)
      return std::nullopt;
    group = (group << 6 | static_cast<unsigned>(value)) & 0xffffff;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<std::uint8_t>(group >> bits));
    }
  }
  group = 0;
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
