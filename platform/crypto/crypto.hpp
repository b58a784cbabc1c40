#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/result.hpp"

namespace vell::platform {

// Overwrites `size` bytes at `data` in a way the compiler cannot drop.
void wipe(void* data, std::size_t size);

// An allocator that wipes memory before giving it back, so that keys,
// secrets and plaintexts never linger in freed heap blocks (also the blocks
// left behind when a container grows).
template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}
  T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
  void deallocate(T* pointer, std::size_t count) noexcept {
    wipe(pointer, count * sizeof(T));
    std::allocator<T>().deallocate(pointer, count);
  }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const noexcept {
    return true;
  }
};

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;
// Bytes that must not outlive their use: wiped when freed.
using Secret = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

constexpr std::size_t kX25519KeySize = 32;
constexpr std::size_t kAesKeySize = 32;
constexpr std::size_t kGcmNonceSize = 12;
constexpr std::size_t kGcmTagSize = 16;

// `count` bytes from the cryptographically secure generator.
Result<Secret> randomSecret(std::size_t count);

// A new X25519 private key, 32 raw bytes.
Result<Secret> newX25519PrivateKey();

// The 32-byte public key of a 32-byte private key; any other length fails.
Result<Bytes> x25519PublicKey(ByteView privateKey);

// The X25519 shared secret of a 32-byte private key and a 32-byte peer public
// key. Other lengths fail, and so does a peer whose result is all zeros.
Result<Secret> x25519SharedSecret(ByteView privateKey, ByteView peerPublicKey);

// HKDF (RFC 5869) with SHA-256: extract and expand to `length` bytes (at
// most 255 x 32). `info` may be of any length.
Result<Secret> hkdfSha256(ByteView keyMaterial, ByteView salt, ByteView info, std::size_t length);

// AES-256-GCM with a fresh random 12-byte nonce; returns the combined value:
// nonce, ciphertext, 16-byte tag. The key must be 32 bytes.
Result<Bytes> aesGcmSeal(ByteView key, ByteView plaintext, ByteView aad);

// AES-256-GCM in place, without allocating: `combined` holds 12 bytes of
// room, the plaintext, then 16 bytes of room; on success it holds the nonce
// (fresh, random), the ciphertext and the tag. The key must be 32 bytes.
// Fails only when the cipher itself fails.
Status aesGcmSealInPlace(ByteView key, ByteView aad, std::span<std::uint8_t> combined);

// Opens a combined value in place: on success the plaintext is
// combined[12, size - 16). Fails when it is shorter than 28 bytes, the key
// is not 32 bytes or the tag does not verify; the bytes between are then
// left as they were or wiped, never a partly decrypted plaintext.
Status aesGcmOpenInPlace(ByteView key, ByteView aad, std::span<std::uint8_t> combined);

// AES-256-GCM sealing in pieces, for data too large to hold twice: the
// nonce, then the ciphertext of each piece as it comes, then the tag make the
// same combined value as aesGcmSeal.
class AesGcmSealer {
 public:
  // Starts with a fresh random nonce; the key must be 32 bytes.
  static Result<AesGcmSealer> start(ByteView key, ByteView aad);

  AesGcmSealer(AesGcmSealer&&) noexcept;
  AesGcmSealer& operator=(AesGcmSealer&&) noexcept;
  ~AesGcmSealer();

  ByteView nonce() const { return {nonce_, kGcmNonceSize}; }
  // Encrypts `plaintext` into `ciphertext`, which has room for as many bytes.
  Status update(ByteView plaintext, std::uint8_t* ciphertext);
  // The tag, written to `tag` (16 bytes).
  Status finish(std::uint8_t* tag);

 private:
  AesGcmSealer();
  struct Context;
  std::unique_ptr<Context> context_;
  std::uint8_t nonce_[kGcmNonceSize] = {};
};

// Opens a combined value made by aesGcmSeal. Fails when it is shorter than
// 28 bytes, the key is not 32 bytes or the tag does not verify.
Result<Secret> aesGcmOpen(ByteView key, ByteView combined, ByteView aad);

}  // namespace vell::platform
