#pragma once

#include <optional>
#include <string_view>

#include "platform/crypto/crypto.hpp"
#include "seal/json.hpp"

namespace vell::seal {

// Standard alphabet (RFC 4648), "=" padding, no line breaks.
SecretString b64(platform::ByteView bytes);

// Strict decoding of the standard alphabet: any other character, white space
// included, or an impossible length gives nothing. "" decodes to no bytes.
std::optional<platform::Secret> decodeStrict(std::string_view text);

// Decodes a request member: nothing unless it is a JSON string; the URL-safe
// alphabet is accepted and padding may be left out.
std::optional<platform::Secret> unb64(const Json* value);

}  // namespace vell::seal
