#include "seal/answer.hpp"

#include <charconv>
#include <cstring>
#include <new>

#include "seal/base64.hpp"

namespace vell::seal {

void Answer::clear() {
  size_ = 0;
  made_ = true;
  if (char* open = reserve(1))
    *open = '{';
  size_ = made_ ? 1 : 0;
}

char* Answer::reserve(std::size_t size) {
  if (!made_)
    return nullptr;
  if (size_ + size > buffer_.capacity()) {
    try {
      buffer_.grow(std::max(2 * buffer_.capacity(), size_ + size + 256), size_);
    } catch (const std::bad_alloc&) {
      made_ = false;
      return nullptr;
    }
  }
  buffer_.wrote(size_ + size);
  return buffer_.chars() + size_;
}

void Answer::name(std::string_view name) {
  // The names are the service's own: plain ASCII words.
  std::size_t size = name.size() + 3 + (size_ > 1 ? 1 : 0);
  char* out = reserve(size);
  if (!out)
    return;
  if (size_ > 1)
    *out++ = ',';
  *out++ = '"';
  std::memcpy(out, name.data(), name.size());
  out += name.size();
  *out++ = '"';
  *out++ = ':';
  size_ += size;
}

void Answer::base64(std::string_view memberName, platform::ByteView bytes, Content content) {
  if (content == Content::secret)
    secret_ = true;
  name(memberName);
  std::size_t size = encodedSize(bytes.size()) + 2;
  char* out = reserve(size);
  if (!out)
    return;
  *out++ = '"';
  out = encodeBase64(bytes, out);
  *out = '"';
  size_ += size;
}

void Answer::boolean(std::string_view memberName, bool value) {
  name(memberName);
  std::string_view word = value ? "true" : "false";
  if (char* out = reserve(word.size())) {
    std::memcpy(out, word.data(), word.size());
    size_ += word.size();
  }
}

void Answer::integer(std::string_view memberName, std::int64_t value) {
  name(memberName);
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::size_t size = static_cast<std::size_t>(end - digits);
  if (char* out = reserve(size)) {
    std::memcpy(out, digits, size);
    size_ += size;
  }
}

void Answer::text(std::string_view memberName, std::string_view value) {
  name(memberName);
  // At most six characters a byte (\u00XX); UTF-8 is written as it is.
  char* out = reserve(value.size() * 6 + 2);
  if (!out)
    return;
  char* start = out;
  *out++ = '"';
  for (char c : value) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      *out++ = '\\';
      *out++ = c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      const char* shortForm = nullptr;
      switch (c) {
        case '\b':
          shortForm = "\\b";
          break;
        case '\f':
          shortForm = "\\f";
          break;
        case '\n':
          shortForm = "\\n";
          break;
        case '\r':
          shortForm = "\\r";
          break;
        case '\t':
          shortForm = "\\t";
          break;
        default:
          break;
      }
      if (shortForm) {
        std::memcpy(out, shortForm, 2);
        out += 2;
      } else {
        std::memcpy(out, "\\u00", 4);
        out[4] = kHex[byte >> 4];
        out[5] = kHex[byte & 15];
        out += 6;
      }
    } else {
      *out++ = c;
    }
  }
  *out++ = '"';
  size_ += static_cast<std::size_t>(out - start);
}

std::string_view Answer::line() {
  if (char* out = reserve(2)) {
    out[0] = '}';
    out[1] = '\n';
    size_ += 2;
  }
  if (!made_)
    return {};
  return {buffer_.chars(), size_};
}

}  // namespace vell::seal
