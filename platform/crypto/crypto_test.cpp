#include "platform/crypto/crypto.hpp"

#include <gtest/gtest.h>

namespace vell::platform {

namespace {

Bytes hex(std::string_view text) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  return bytes;
}

template <typename A>
Bytes plain(const std::vector<std::uint8_t, A>& bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Crypto, HkdfMatchesRfc5869) {
  // RFC 5869 test cases 1 and 3 (the latter with empty salt and info).
  auto derived = hkdfSha256(hex("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b"),
                            hex("000102030405060708090a0b0c"), hex("f0f1f2f3f4f5f6f7f8f9"), 42);
  ASSERT_TRUE(derived);
  EXPECT_EQ(plain(*derived), hex("3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf"
                                 "34007208d5b887185865"));
  derived = hkdfSha256(hex("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b"), {}, {}, 42);
  ASSERT_TRUE(derived);
  EXPECT_EQ(plain(*derived), hex("8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d"
                                 "9d201395faa4b61a96c8"));
}

TEST(Crypto, GcmLayoutAndTamperDetection) {
  Bytes key(32, 9);
  Bytes message = {1, 2, 3};
  Bytes aad = {'a'};
  auto combined = aesGcmSeal(key, message, aad);
  ASSERT_TRUE(combined);
  ASSERT_EQ(combined->size(), 3u + 28u);
  auto opened = aesGcmOpen(key, *combined, aad);
  ASSERT_TRUE(opened);
  EXPECT_EQ(plain(*opened), message);
  for (size_t i = 0; i < combined->size(); ++i) {
    Bytes altered = *combined;
    altered[i] ^= 0x80;
    EXPECT_FALSE(aesGcmOpen(key, altered, aad)) << "byte " << i;
  }
  EXPECT_FALSE(aesGcmOpen(key, ByteView(combined->data(), 27), aad));
  EXPECT_FALSE(aesGcmSeal(Bytes(31, 0), message, aad));
}

}  // namespace vell::platform
