#pragma once

#include <cstdint>
#include <string_view>

#include "platform/crypto/crypto.hpp"
#include "seal/secret_buffer.hpp"

namespace vell::seal {

// One answer line, written straight into a buffer kept from one answer to
// the next: {"name":value,...} and a line feed, with no spaces. Base64,
// integers and booleans never need escaping, so nothing looks at their
// characters again; texts are escaped as JSON requires. Members come out in
// the order they are added.
class Answer {
 public:
  enum class Content { secret, notSecret };

  void clear();

  // A secret's line is wiped after it is written; a sealed value's need not be.
  void base64(std::string_view name, platform::ByteView bytes, Content content);
  void boolean(std::string_view name, bool value);
  void integer(std::string_view name, std::int64_t value);
  void text(std::string_view name, std::string_view value);

  // The whole line with its line feed.
  std::string_view line();

  // False when the line could not be made (no memory for it).
  bool made() const { return made_; }

  // Clears what the line held if it carried a plaintext or a key.
  void wipe() {
    if (secret_)
      buffer_.wipe();
    secret_ = false;
  }

 private:
  // Room for `size` more characters; null when there is no memory.
  char* reserve(std::size_t size);
  void name(std::string_view name);

  SecretBuffer buffer_;
  std::size_t size_ = 0;
  bool made_ = true;
  bool secret_ = false;
};

}  // namespace vell::seal
