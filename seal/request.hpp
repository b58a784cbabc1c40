#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "seal/secret_buffer.hpp"

namespace vell::seal {

// The request members the operations read.
enum class Field : std::uint8_t { op, priv, peer, raw, salt, info, key, data, aad, in, out };
inline constexpr std::size_t kFields = 11;

// Room kept before and after a base64 member's bytes, so that a plaintext
// can be sealed where it was decoded (the nonce before it, the tag after).
inline constexpr std::size_t kRoomBefore = 12;
inline constexpr std::size_t kRoomAfter = 16;

// One request line, read strictly (RFC 8259, UTF-8): white space around the
// object is allowed, nothing may follow it, and only an object is a request.
// Of its members only the top-level ones the operations read are kept (the
// last of a repeated name counts); all the others are checked and dropped.
// Base64 members are decoded as they are read, so the long ones are read
// once, at the speed of the decoder.
//
// Its buffers are kept from one line to the next; `wipe` clears whatever a
// line left in them. Texts may point into the line, which must outlive
// their use.
class Request {
 public:
  // Reads `line`. False for anything but one JSON object (invalid UTF-8,
  // raw control characters in strings and a NUL byte included).
  bool read(std::string_view line);

  // A string member's text ("op", "info", "aad", "in", "out"): nothing when
  // the member is absent or not a string.
  std::optional<std::string_view> text(Field field) const;

  // Whether the member is the JSON literal true ("raw").
  bool isTrue(Field field) const;

  // The bytes of a base64 member ("priv", "peer", "salt", "key", "data"):
  // nothing when it is absent, not a string or not base64 (see
  // decodeMember). They may be changed in place.
  std::optional<std::span<std::uint8_t>> bytes(Field field);

  // The bytes of a base64 member with kRoomBefore bytes before them and
  // kRoomAfter after them, for sealing in place. Only after bytes() gave
  // something for the same member.
  std::span<std::uint8_t> withRoom(Field field);

  // Clears every buffer the last line wrote to.
  void wipe();

 private:
  friend class RequestParser;

  enum class Kind : std::uint8_t { absent, string, literalTrue, other };
  struct Member {
    Kind kind = Kind::absent;
    bool decoded = false;   // base64 members: the string was base64
    std::size_t size = 0;   // base64 members: the number of bytes
    std::string_view text;  // text members: the string's text
  };

  std::array<Member, kFields> members_;
  // Decoded bytes of the base64 members, texts of escaped text members.
  std::array<SecretBuffer, kFields> buffers_;
  SecretBuffer name_;       // an escaped member name
  SecretBuffer scratch_;    // an escaped base64 member's text
  std::vector<char> open_;  // the closers of the nested containers
};

}  // namespace vell::seal
