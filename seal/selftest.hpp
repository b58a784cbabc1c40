#pragma once

#include <string_view>

#include "platform/crypto/crypto.hpp"

namespace vell::seal {

// Checks X25519 against the RFC 7748 section 6.1 vector and an AES-256-GCM
// seal and open through the combined value, including the refusal of wrong
// additional data. Never fails: any platform failure is a false verdict.
bool selftest();

// The bytes written in `text` as pairs of hexadecimal digits.
platform::Bytes hexData(std::string_view text);

}  // namespace vell::seal
