#pragma once

// The protocol's base64 decoding as plainly as it can be put, for the tests
// and the fuzz target to hold the fast codec to: the URL-safe characters
// replaced, "=" appended to a multiple of four, then a strict decoding of
// the standard alphabet. Nothing when the text is not base64.

#include <optional>
#include <string>

namespace vell::seal::testing {

inline std::optional<std::string> plainDecoding(std::string text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (char& c : text)
    c = c == '-' ? '+' : c == '_' ? '/' : c;
  while (text.size() % 4)
    text += '=';
  size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=')
    ++padding;
  if (padding > 2)
    return std::nullopt;
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    size_t value = alphabet.find(text[i]);
    if (value == std::string::npos)
      return std::nullopt;
    bits = bits << 6 | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>(bits >> count & 0xFF);
    }
  }
  return bytes;
}

}  // namespace vell::seal::testing
