#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/crypto/crypto.hpp"
#include "seal/secret_buffer.hpp"

namespace vell::seal {

// Base64 as the line protocol writes and reads it: table-driven, a group of
// four characters at a time, with no branch a character.

// The length of the standard encoding (with "=" padding) of `bytes` bytes.
constexpr std::size_t encodedSize(std::size_t bytes) {
  return (bytes + 2) / 3 * 4;
}

// Writes the standard encoding of `bytes` (RFC 4648 alphabet, "=" padding,
// no line breaks) to `out`, which has room for encodedSize(bytes.size())
// characters; returns the end of what was written.
char* encodeBase64(platform::ByteView bytes, char* out);

// The same, as a text that wipes itself.
SecretString b64(platform::ByteView bytes);

// The most bytes that `chars` characters of base64 can decode to.
constexpr std::size_t decodedRoom(std::size_t chars) {
  return chars / 4 * 3 + 3;
}

// Decodes whole groups of four characters of either alphabet (standard or
// URL-safe) from [p, end) into `out` while they are valid; stops at the
// first group holding anything else ("=" and the closing quote included),
// or with fewer than four characters left. Returns where it stopped; the
// bytes decoded are (stop - p) / 4 * 3, and up to two bytes after them may
// be written too: `out` needs room for decodedRoom(end - p) bytes.
const char* decodeGroups(const char* p, const char* end, std::uint8_t* out);

// The end of a base64 text after its whole groups: up to three more
// characters of the alphabet and the "=" padding, which together with the
// implied padding must come to at most two. Decodes them to `out`. Returns
// where the ending stops and the bytes written, or nothing when the ending
// is impossible (one character alone, too much padding).
struct Ending {
  const char* stop;
  std::size_t bytes;
};
std::optional<Ending> decodeEnding(const char* p, const char* end, std::uint8_t* out);

// Decodes a member's text as the protocol reads base64: "-" and "_" stand
// for "+" and "/", "=" padding may be left out, and anything else (white
// space included) makes it no base64. "" decodes to no bytes. `out` has
// room for decodedRoom(text.size()) bytes. Returns the number of bytes.
std::optional<std::size_t> decodeMember(std::string_view text, std::uint8_t* out);

}  // namespace vell::seal
