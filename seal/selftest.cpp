#include "seal/selftest.hpp"

#include <algorithm>

#include "common/numbers.hpp"

namespace vell::seal {

namespace {

// RFC 7748, section 6.1: Alice's private key, Bob's public key, their K.
constexpr std::string_view kFirstVector =
    "77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a";
constexpr std::string_view kSecondVector =
    "de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f";
constexpr std::string_view kThirdVector =
    "4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742";

platform::ByteView text(std::string_view value) {
  return {reinterpret_cast<const std::uint8_t*>(value.data()), value.size()};
}

}  // namespace

platform::Bytes hexData(std::string_view text) {
  platform::Bytes bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(
        static_cast<std::uint8_t>(hexDigitValue(text[i]) << 4 | hexDigitValue(text[i + 1])));
  return bytes;
}

bool selftest() {
  try {
    platform::Bytes privateKey = hexData(kFirstVector);
    platform::Bytes publicKey = hexData(kSecondVector);
    platform::Bytes expected = hexData(kThirdVector);
    auto shared = platform::x25519SharedSecret(privateKey, publicKey);
    if (!shared || !std::equal(shared->begin(), shared->end(), expected.begin(), expected.end()))
      return false;

    auto key = platform::randomSecret(platform::kAesKeySize);
    if (!key)
      return false;
    constexpr std::string_view plaintext = "Vell";
    auto combined = platform::aesGcmSeal(*key, text(plaintext), text("aad"));
    if (!combined)
      return false;
    auto opened = platform::aesGcmOpen(*key, *combined, text("aad"));
    if (!opened || !std::equal(opened->begin(), opened->end(), plaintext.begin(), plaintext.end()))
      return false;
    // Opening under other additional data must be refused.
    return !platform::aesGcmOpen(*key, *combined, text("other"));
  } catch (...) {
    return false;
  }
}

}  // namespace vell::seal
