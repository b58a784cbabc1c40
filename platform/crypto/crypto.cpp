#include "platform/crypto/crypto.hpp"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <string.h>

#include <algorithm>
#include <memory>

#include "platform/crypto/nonces.hpp"

namespace vell::platform {

namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct KdfCtxFree {
  void operator()(EVP_KDF_CTX* context) const { EVP_KDF_CTX_free(context); }
};
struct MacCtxFree {
  void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;
using KdfCtxPtr = std::unique_ptr<EVP_KDF_CTX, KdfCtxFree>;
using MacCtxPtr = std::unique_ptr<EVP_MAC_CTX, MacCtxFree>;

// Turns OpenSSL's error queue into one text and empties it, so a failure
// never leaks into the next request's diagnostics.
Error opensslError(const char* what) {
  std::string text = what;
  while (unsigned long code = ERR_get_error()) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    text += ": ";
    text += buffer;
  }
  return Error{text};
}

// Fetched once: an implicit fetch on every call would cost more than a
// 1 KiB seal itself.
const EVP_CIPHER* aes256Gcm() {
  static EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
  return cipher;
}

EVP_KDF* hkdf() {
  static EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
  return kdf;
}

EVP_MAC* hmac() {
  static EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  return mac;
}

// One cipher context a thread, kept for the next operation, so that a
// request costs no context of its own. It is reset after every use: OpenSSL
// then frees the cipher's state with its key schedule cleansed.
class ReusedContext {
 public:
  ReusedContext() {
    thread_local CipherCtxPtr context(EVP_CIPHER_CTX_new());
    context_ = context.get();
  }
  ~ReusedContext() { EVP_CIPHER_CTX_reset(context_); }
  ReusedContext(const ReusedContext&) = delete;
  ReusedContext& operator=(const ReusedContext&) = delete;

  EVP_CIPHER_CTX* get() const { return context_; }

 private:
  EVP_CIPHER_CTX* context_;
};

Result<PkeyPtr> privateKey(ByteView raw) {
  if (raw.size() != kX25519KeySize)
    return Error{"an X25519 private key is 32 bytes"};
  PkeyPtr key(EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, raw.data(), raw.size()));
  if (!key)
    return opensslError("X25519 private key");
  return key;
}

// A private key for derivation only. Made from the private half plus a
// placeholder public half: derivation never reads the public half, and
// letting OpenSSL compute it would cost a second scalar multiplication,
// doubling the price of every agreement.
Result<PkeyPtr> derivationKey(ByteView raw) {
  if (raw.size() != kX25519KeySize)
    return Error{"an X25519 private key is 32 bytes"};
  static thread_local EVP_PKEY_CTX* factory =
      EVP_PKEY_CTX_new_from_name(nullptr, "X25519", nullptr);
  static const std::uint8_t placeholder[kX25519KeySize] = {};
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PRIV_KEY,
                                        const_cast<std::uint8_t*>(raw.data()), raw.size()),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY,
                                        const_cast<std::uint8_t*>(placeholder), sizeof placeholder),
      OSSL_PARAM_construct_end()};
  EVP_PKEY* key = nullptr;
  if (!factory || EVP_PKEY_fromdata_init(factory) != 1 ||
      EVP_PKEY_fromdata(factory, &key, EVP_PKEY_KEYPAIR, params) != 1)
    return opensslError("X25519 private key");
  return PkeyPtr(key);
}

int length(std::size_t size) {
  return static_cast<int>(size);
}

}  // namespace

void wipe(void* data, std::size_t size) {
  // explicit_bzero is glibc's full-speed memset that the compiler may not
  // drop; OPENSSL_cleanse is a byte loop, too slow for whole sealed files.
  if (data && size)
    explicit_bzero(data, size);
}

Result<Secret> randomSecret(std::size_t count) {
  Secret bytes(count);
  if (count && RAND_bytes(bytes.data(), length(count)) != 1)
    return opensslError("random bytes");
  return bytes;
}

Result<Secret> newX25519PrivateKey() {
  return randomSecret(kX25519KeySize);
}

Result<Bytes> x25519PublicKey(ByteView privateKeyBytes) {
  auto key = privateKey(privateKeyBytes);
  if (!key)
    return key.error();
  Bytes publicKey(kX25519KeySize);
  size_t size = publicKey.size();
  if (EVP_PKEY_get_raw_public_key(key->get(), publicKey.data(), &size) != 1 ||
      size != kX25519KeySize)
    return opensslError("X25519 public key");
  return publicKey;
}

Result<Secret> x25519SharedSecret(ByteView privateKeyBytes, ByteView peerPublicKey) {
  auto key = derivationKey(privateKeyBytes);
  if (!key)
    return key.error();
  if (peerPublicKey.size() != kX25519KeySize)
    return Error{"an X25519 public key is 32 bytes"};
  PkeyPtr peer(EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peerPublicKey.data(),
                                           peerPublicKey.size()));
  if (!peer)
    return opensslError("X25519 public key");
  PkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, key->get(), nullptr));
  if (!context || EVP_PKEY_derive_init(context.get()) != 1 ||
      EVP_PKEY_derive_set_peer_ex(context.get(), peer.get(), 0) != 1)
    return opensslError("X25519 agreement");
  Secret shared(kX25519KeySize);
  size_t size = shared.size();
  // OpenSSL refuses an all-zero result (a small-order peer key) here.
  if (EVP_PKEY_derive(context.get(), shared.data(), &size) != 1 || size != kX25519KeySize)
    return opensslError("X25519 agreement");
  return shared;
}

Result<Secret> hkdfSha256(ByteView keyMaterial, ByteView salt, ByteView info, std::size_t size) {
  constexpr std::size_t kHashSize = 32;
  if (size > 255 * kHashSize)
    return Error{"HKDF-SHA-256 gives at most 8160 bytes"};
  // OSSL_PARAM wants non-const pointers; OpenSSL only reads them.
  auto octets = [](const char* name, ByteView bytes) {
    return OSSL_PARAM_construct_octet_string(name, const_cast<std::uint8_t*>(bytes.data()),
                                             bytes.size());
  };
  char digest[] = "SHA256";
  static const std::uint8_t empty = 0;
  int mode = EVP_KDF_HKDF_MODE_EXTRACT_ONLY;

  // The extraction is OpenSSL's; the expansion is done here with its HMAC,
  // because OpenSSL 3.0 to 3.5 refuse an info of more than 32 KiB.
  KdfCtxPtr kdf(EVP_KDF_CTX_new(hkdf()));
  OSSL_PARAM extractParams[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
      OSSL_PARAM_construct_int(OSSL_KDF_PARAM_MODE, &mode), octets(OSSL_KDF_PARAM_KEY, keyMaterial),
      // An empty salt must still be passed explicitly: HKDF then uses zeros.
      octets(OSSL_KDF_PARAM_SALT, salt.empty() ? ByteView(&empty, 0) : salt),
      OSSL_PARAM_construct_end()};
  Secret pseudorandomKey(kHashSize);
  if (!kdf || EVP_KDF_derive(kdf.get(), pseudorandomKey.data(), kHashSize, extractParams) != 1)
    return opensslError("HKDF");

  // T(i) = HMAC(PRK, T(i - 1) | info | i), the output their concatenation.
  MacCtxPtr mac(EVP_MAC_CTX_new(hmac()));
  OSSL_PARAM macParams[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                            OSSL_PARAM_construct_end()};
  Secret derived(size);
  Secret block(kHashSize);
  for (std::size_t done = 0, counter = 1; done < size; ++counter) {
    const std::uint8_t index = static_cast<std::uint8_t>(counter);
    std::size_t written = 0;
    if (!mac ||
        EVP_MAC_init(mac.get(), pseudorandomKey.data(), kHashSize,
                     counter == 1 ? macParams : nullptr) != 1 ||
        (counter > 1 && EVP_MAC_update(mac.get(), block.data(), kHashSize) != 1) ||
        (!info.empty() && EVP_MAC_update(mac.get(), info.data(), info.size()) != 1) ||
        EVP_MAC_update(mac.get(), &index, 1) != 1 ||
        EVP_MAC_final(mac.get(), block.data(), &written, kHashSize) != 1 || written != kHashSize)
      return opensslError("HKDF");
    std::size_t piece = std::min(kHashSize, size - done);
    std::copy_n(block.begin(), piece, derived.begin() + static_cast<std::ptrdiff_t>(done));
    done += piece;
  }
  return derived;
}

namespace {

// Feeds `size` bytes from `in` to `out` (the same place, or apart); EVP
// takes int lengths, so large texts go in pieces.
bool cipherUpdate(EVP_CIPHER_CTX* context, const std::uint8_t* in, std::uint8_t* out,
                  std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    std::size_t piece = std::min<std::size_t>(size - done, 1u << 30);
    int written = 0;
    if (EVP_CipherUpdate(context, out + done, &written, in + done, length(piece)) != 1)
      return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool addAad(EVP_CIPHER_CTX* context, ByteView aad) {
  int written = 0;
  std::size_t done = 0;
  while (done < aad.size()) {
    std::size_t piece = std::min<std::size_t>(aad.size() - done, 1u << 30);
    if (EVP_CipherUpdate(context, nullptr, &written, aad.data() + done, length(piece)) != 1)
      return false;
    done += piece;
  }
  return true;
}

// Seals `size` bytes of `in` into `out` (which may be `in`) under a nonce
// and writes the tag.
Status gcmSeal(ByteView key, ByteView aad, const std::uint8_t* nonce, const std::uint8_t* in,
               std::uint8_t* out, std::size_t size, std::uint8_t* tag) {
  if (key.size() != kAesKeySize)
    return Error{"an AES-256 key is 32 bytes"};
  ReusedContext context;
  // GCM writes nothing at the end; the block only gives Final a valid pointer.
  std::uint8_t finalBlock[16];
  int written = 0;
  if (!context.get() ||
      EVP_EncryptInit_ex2(context.get(), aes256Gcm(), key.data(), nonce, nullptr) != 1 ||
      !addAad(context.get(), aad) || !cipherUpdate(context.get(), in, out, size) ||
      EVP_EncryptFinal_ex(context.get(), finalBlock, &written) != 1 ||
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, length(kGcmTagSize), tag) != 1)
    return opensslError("AES-GCM");
  return ok();
}

// Opens `size` bytes of `in` into `out` (which may be `in`). On failure
// `out` is wiped: it would hold plaintext that did not verify.
Status gcmOpen(ByteView key, ByteView aad, const std::uint8_t* nonce, const std::uint8_t* in,
               std::uint8_t* out, std::size_t size, const std::uint8_t* tag) {
  if (key.size() != kAesKeySize)
    return Error{"an AES-256 key is 32 bytes"};
  ReusedContext context;
  std::uint8_t finalBlock[16];
  int written = 0;
  if (!context.get() ||
      EVP_DecryptInit_ex2(context.get(), aes256Gcm(), key.data(), nonce, nullptr) != 1 ||
      !addAad(context.get(), aad) || !cipherUpdate(context.get(), in, out, size)) {
    wipe(out, size);
    return opensslError("AES-GCM");
  }
  if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, length(kGcmTagSize),
                          const_cast<std::uint8_t*>(tag)) != 1 ||
      EVP_DecryptFinal_ex(context.get(), finalBlock, &written) != 1) {
    ERR_clear_error();
    wipe(out, size);
    return Error{"the sealed value does not verify"};
  }
  return ok();
}

}  // namespace

Status aesGcmSealInPlace(ByteView key, ByteView aad, std::span<std::uint8_t> combined) {
  if (combined.size() < kGcmNonceSize + kGcmTagSize)
    return Error{"no room for the nonce and the tag"};
  std::uint8_t* nonce = combined.data();
  std::uint8_t* text = nonce + kGcmNonceSize;
  std::size_t size = combined.size() - kGcmNonceSize - kGcmTagSize;
  if (auto drawn = freshNonce(nonce); !drawn)
    return drawn;
  return gcmSeal(key, aad, nonce, text, text, size, text + size);
}

Status aesGcmOpenInPlace(ByteView key, ByteView aad, std::span<std::uint8_t> combined) {
  if (combined.size() < kGcmNonceSize + kGcmTagSize)
    return Error{"a sealed value is at least 28 bytes"};
  std::uint8_t* text = combined.data() + kGcmNonceSize;
  std::size_t size = combined.size() - kGcmNonceSize - kGcmTagSize;
  return gcmOpen(key, aad, combined.data(), text, text, size, text + size);
}

Result<Bytes> aesGcmSeal(ByteView key, ByteView plaintext, ByteView aad) {
  Bytes combined(kGcmNonceSize + plaintext.size() + kGcmTagSize);
  std::uint8_t* nonce = combined.data();
  std::uint8_t* text = nonce + kGcmNonceSize;
  if (auto drawn = freshNonce(nonce); !drawn)
    return drawn.error();
  if (auto sealed = gcmSeal(key, aad, nonce, plaintext.data(), text, plaintext.size(),
                            text + plaintext.size());
      !sealed)
    return sealed.error();
  return combined;
}

Result<Secret> aesGcmOpen(ByteView key, ByteView combined, ByteView aad) {
  if (combined.size() < kGcmNonceSize + kGcmTagSize)
    return Error{"a sealed value is at least 28 bytes"};
  std::size_t size = combined.size() - kGcmNonceSize - kGcmTagSize;
  Secret plaintext(size);
  const std::uint8_t* text = combined.data() + kGcmNonceSize;
  if (auto opened = gcmOpen(key, aad, combined.data(), text, plaintext.data(), size, text + size);
      !opened)
    return opened.error();
  return plaintext;
}

struct AesGcmSealer::Context {
  CipherCtxPtr cipher;
};

Result<AesGcmSealer> AesGcmSealer::start(ByteView key, ByteView aad) {
  if (key.size() != kAesKeySize)
    return Error{"an AES-256 key is 32 bytes"};
  AesGcmSealer sealer;
  if (auto drawn = freshNonce(sealer.nonce_); !drawn)
    return drawn.error();
  sealer.context_ = std::make_unique<Context>(Context{CipherCtxPtr(EVP_CIPHER_CTX_new())});
  EVP_CIPHER_CTX* context = sealer.context_->cipher.get();
  if (!context ||
      EVP_EncryptInit_ex2(context, aes256Gcm(), key.data(), sealer.nonce_, nullptr) != 1 ||
      !addAad(context, aad))
    return opensslError("AES-GCM");
  return sealer;
}

AesGcmSealer::AesGcmSealer() = default;
AesGcmSealer::AesGcmSealer(AesGcmSealer&&) noexcept = default;
AesGcmSealer& AesGcmSealer::operator=(AesGcmSealer&&) noexcept = default;
AesGcmSealer::~AesGcmSealer() = default;

Status AesGcmSealer::update(ByteView plaintext, std::uint8_t* ciphertext) {
  if (!cipherUpdate(context_->cipher.get(), plaintext.data(), ciphertext, plaintext.size()))
    return opensslError("AES-GCM");
  return ok();
}

Status AesGcmSealer::finish(std::uint8_t* tag) {
  // GCM writes nothing at the end; the block only gives Final a valid pointer.
  std::uint8_t finalBlock[16];
  int written = 0;
  if (EVP_EncryptFinal_ex(context_->cipher.get(), finalBlock, &written) != 1 ||
      EVP_CIPHER_CTX_ctrl(context_->cipher.get(), EVP_CTRL_GCM_GET_TAG, length(kGcmTagSize), tag) !=
          1)
    return opensslError("AES-GCM");
  return ok();
}

}  // namespace vell::platform
