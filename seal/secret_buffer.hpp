#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/crypto/crypto.hpp"

namespace vell::seal {

// Text whose memory is wiped when freed.
using SecretString =
    std::basic_string<char, std::char_traits<char>, platform::WipingAllocator<char>>;

// Bytes kept from one request to the next so that a request allocates
// nothing, yet never left holding a secret: writers report how far they
// wrote (`wrote`), `wipe` clears that much, and the memory is wiped when it
// grows or goes.
class SecretBuffer {
 public:
  SecretBuffer() = default;
  ~SecretBuffer() { release(); }
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  std::uint8_t* data() { return bytes_.get(); }
  const std::uint8_t* data() const { return bytes_.get(); }
  char* chars() { return reinterpret_cast<char*>(bytes_.get()); }
  std::size_t capacity() const { return capacity_; }

  // Room for `size` bytes from the start; what the buffer held may be lost.
  std::uint8_t* room(std::size_t size) {
    if (size > capacity_) {
      release();
      bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      capacity_ = size;
    }
    return bytes_.get();
  }

  // Room for `size` bytes, keeping the first `kept` bytes as they are.
  std::uint8_t* grow(std::size_t size, std::size_t kept) {
    if (size > capacity_) {
      kept = std::min(kept, capacity_);
      auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      if (kept)
        std::memcpy(larger.get(), bytes_.get(), kept);
      release();
      bytes_ = std::move(larger);
      capacity_ = size;
      written_ = kept;
    }
    return bytes_.get();
  }

  // Records that the first `end` bytes may hold something to wipe.
  void wrote(std::size_t end) { written_ = std::max(written_, end); }

  // Clears every byte written since the last wipe.
  void wipe() {
    platform::wipe(bytes_.get(), written_);
    written_ = 0;
  }

 private:
  void release() {
    platform::wipe(bytes_.get(), written_);
    bytes_.reset();
    capacity_ = 0;
    written_ = 0;
  }

  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t capacity_ = 0;
  std::size_t written_ = 0;
};

}  // namespace vell::seal
