#include "platform/crypto/crypto.hpp"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "platform/crypto/nonces.hpp"

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

// OpenSSL's own one-step HKDF, for the lengths of info it accepts.
Bytes opensslHkdf(const Bytes& key, const Bytes& salt, const Bytes& info, size_t size) {
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
  EVP_KDF_CTX* context = EVP_KDF_CTX_new(kdf);
  char digest[] = "SHA256";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
                         OSSL_PARAM_construct_octet_string(
                             OSSL_KDF_PARAM_KEY, const_cast<uint8_t*>(key.data()), key.size()),
                         OSSL_PARAM_construct_octet_string(
                             OSSL_KDF_PARAM_SALT, const_cast<uint8_t*>(salt.data()), salt.size()),
                         OSSL_PARAM_construct_octet_string(
                             OSSL_KDF_PARAM_INFO, const_cast<uint8_t*>(info.data()), info.size()),
                         OSSL_PARAM_construct_end()};
  Bytes out(size);
  int done = EVP_KDF_derive(context, out.data(), out.size(), params);
  EVP_KDF_CTX_free(context);
  EVP_KDF_free(kdf);
  return done == 1 ? out : Bytes();
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

TEST(Crypto, HkdfTakesInfoOfAnyLength) {
  // RFC 5869 test case 2: 80-byte salt and info, three blocks of output.
  Bytes ikm, salt, info;
  for (int i = 0; i < 80; ++i) {
    ikm.push_back(static_cast<uint8_t>(i));
    salt.push_back(static_cast<uint8_t>(0x60 + i));
    info.push_back(static_cast<uint8_t>(0xb0 + i));
  }
  auto derived = hkdfSha256(ikm, salt, info, 82);
  ASSERT_TRUE(derived);
  EXPECT_EQ(plain(*derived), hex("b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c"
                                 "59045a99cac7827271cb41c65e590e09da3275600c2f09b8367793a9aca3db71"
                                 "cc30c58179ec3e87c14c01d5c1f3434f1d87"));
  // The same as OpenSSL's one-step HKDF wherever that accepts the info.
  for (size_t size : {0u, 1u, 2048u, 32768u}) {
    Bytes longInfo(size, 0x69);
    derived = hkdfSha256(ikm, salt, longInfo, 32);
    ASSERT_TRUE(derived);
    EXPECT_EQ(plain(*derived), opensslHkdf(ikm, salt, longInfo, 32)) << size;
  }
  // Beyond OpenSSL's 32 KiB: the values of Python's `cryptography` HKDF.
  Bytes shared = hex("4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");
  derived = hkdfSha256(shared, {}, Bytes(100000, 'i'), 32);
  ASSERT_TRUE(derived);
  EXPECT_EQ(plain(*derived),
            hex("068d8018cbf839b2ff8695dc08f245f324a612f9dd07b517d77660fcbf4f21f1"));
  Bytes pattern;
  for (int i = 0; i < 100000; ++i)
    pattern.push_back(static_cast<uint8_t>(i % 251));
  derived = hkdfSha256(shared, Bytes{'s', 'a', 'l', 't'}, pattern, 80);
  ASSERT_TRUE(derived);
  EXPECT_EQ(plain(*derived), hex("999c7b85146a06944462a972e4eeb3549e07108978d7ad41dca2bbf456a26264"
                                 "b1e7230e2236d0d50abc7025a3fbc016aec42c8b2436f18bba83d6d7ce15c8d0"
                                 "a6016324012a8e783cc31e1986efa912"));
  EXPECT_FALSE(hkdfSha256(shared, {}, {}, 255 * 32 + 1));
}

TEST(Crypto, InPlaceSealingMatchesTheCombinedForm) {
  Bytes key(32, 7);
  Bytes aad = {'c', 't', 'x'};
  for (size_t size : {0u, 1u, 15u, 16u, 1024u, 70000u}) {
    Bytes message(size);
    for (size_t i = 0; i < size; ++i)
      message[i] = static_cast<uint8_t>(i * 31);
    Bytes combined(12 + size + 16);
    std::copy(message.begin(), message.end(), combined.begin() + 12);
    ASSERT_TRUE(aesGcmSealInPlace(key, aad, combined)) << size;
    auto opened = aesGcmOpen(key, combined, aad);
    ASSERT_TRUE(opened) << size;
    EXPECT_EQ(plain(*opened), message);
    ASSERT_TRUE(aesGcmOpenInPlace(key, aad, combined));
    EXPECT_EQ(Bytes(combined.begin() + 12, combined.end() - 16), message);
  }
  // A value that does not verify leaves no plaintext behind.
  Bytes message(64, 'p');
  auto combined = aesGcmSeal(key, message, aad);
  ASSERT_TRUE(combined);
  EXPECT_FALSE(aesGcmOpenInPlace(key, {}, *combined));
  EXPECT_EQ(Bytes(combined->begin() + 12, combined->end() - 16), Bytes(64, 0));
  EXPECT_FALSE(aesGcmOpenInPlace(key, aad, std::span<uint8_t>(combined->data(), 27)));
  EXPECT_FALSE(aesGcmSealInPlace(Bytes(16, 1), aad, *combined));
}

// Nonces come from a stock drawn ahead; every one must still be new, across
// refills of the stock and in a forked child, which must not repeat the
// nonces its parent will hand out.
TEST(Crypto, NoncesNeverRepeat) {
  std::set<Bytes> seen;
  for (int i = 0; i < 2000; ++i) {
    Bytes nonce(12);
    ASSERT_TRUE(freshNonce(nonce.data()));
    EXPECT_TRUE(seen.insert(nonce).second) << i;
  }
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    uint8_t nonce[12] = {};
    bool drawn = static_cast<bool>(freshNonce(nonce));
    ssize_t written = ::write(pipeFds[1], nonce, sizeof nonce);
    ::_exit(drawn && written == sizeof nonce ? 0 : 1);
  }
  Bytes childNonce(12);
  ASSERT_EQ(::read(pipeFds[0], childNonce.data(), 12), 12);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  Bytes parentNonce(12);
  ASSERT_TRUE(freshNonce(parentNonce.data()));
  EXPECT_NE(childNonce, parentNonce);
  EXPECT_EQ(seen.count(childNonce), 0u);
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
