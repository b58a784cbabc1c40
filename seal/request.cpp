#include "seal/request.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "common/numbers.hpp"

namespace vell::seal {

namespace {

// A strict JSON reader (RFC 8259, UTF-8) for request lines. It keeps only
// the members of the top-level object; nested containers are checked but
// kept as empty ones of their kind, so nesting costs a byte a level.
//
// Written here rather than taken from the JSON library because request lines
// are mostly long base64 strings, which the library's lexer copies a
// character at a time: that alone cost more than the sealing itself.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<Json> request() {
    // A UTF-8 byte order mark is not part of the value.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF")
      position_ = 3;
    skipSpace();
    if (!consume('{'))
      return std::nullopt;
    Json members = Json::object();
    skipSpace();
    if (!consume('}')) {
      while (true) {
        skipSpace();
        SecretString key;
        if (!string(&key))
          return std::nullopt;
        skipSpace();
        if (!consume(':'))
          return std::nullopt;
        skipSpace();
        Json value;
        if (!memberValue(value))
          return std::nullopt;
        members[std::move(key)] = std::move(value);
        skipSpace();
        if (consume(','))
          continue;
        if (consume('}'))
          break;
        return std::nullopt;
      }
    }
    skipSpace();
    if (position_ != text_.size())
      return std::nullopt;
    return members;
  }

 private:
  bool atEnd() const { return position_ >= text_.size(); }
  unsigned char peek() const { return static_cast<unsigned char>(text_[position_]); }

  bool consume(char c) {
    if (atEnd() || text_[position_] != c)
      return false;
    ++position_;
    return true;
  }

  void skipSpace() {
    while (!atEnd()) {
      char c = text_[position_];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
        return;
      ++position_;
    }
  }

  bool literal(std::string_view word) {
    if (text_.substr(position_, word.size()) != word)
      return false;
    position_ += word.size();
    return true;
  }

  // A value of a top-level member: scalars are kept, containers checked.
  bool memberValue(Json& value) {
    if (atEnd())
      return false;
    switch (peek()) {
      case '"': {
        SecretString text;
        if (!string(&text))
          return false;
        value = std::move(text);
        return true;
      }
      case '{':
        value = Json::object();
        return container();
      case '[':
        value = Json::array();
        return container();
      case 't':
        value = true;
        return literal("true");
      case 'f':
        value = false;
        return literal("false");
      case 'n':
        value = nullptr;
        return literal("null");
      default: {
        double number = 0;
        if (!this->number(&number))
          return false;
        value = number;
        return true;
      }
    }
  }

  // Checks one nested array or object without recursion.
  bool container() {
    std::vector<char> open;  // the closing bracket of each open container
    while (true) {
      // At the start of a value (or of a container's end).
      if (atEnd())
        return false;
      unsigned char c = peek();
      if (c == '{' || c == '[') {
        ++position_;
        open.push_back(c == '{' ? '}' : ']');
        skipSpace();
        if (consume(open.back())) {
          open.pop_back();
        } else {
          if (open.back() == '}' && !key())
            return false;
          continue;
        }
      } else if (!scalar()) {
        return false;
      }
      // After a value: a comma and the next one, or closing brackets.
      while (true) {
        if (open.empty())
          return true;
        skipSpace();
        if (consume(',')) {
          skipSpace();
          if (open.back() == '}' && !key())
            return false;
          break;
        }
        if (!consume(open.back()))
          return false;
        open.pop_back();
      }
    }
  }

  // An object's key and its colon, leaving the reader at the value.
  bool key() {
    if (!string(nullptr))
      return false;
    skipSpace();
    if (!consume(':'))
      return false;
    skipSpace();
    return true;
  }

  bool scalar() {
    switch (peek()) {
      case '"':
        return string(nullptr);
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default:
        return number(nullptr);
    }
  }

  bool digits() {
    size_t start = position_;
    while (!atEnd() && peek() >= '0' && peek() <= '9')
      ++position_;
    return position_ > start;
  }

  bool number(double* value) {
    size_t start = position_;
    consume('-');
    if (consume('0')) {
      // No leading zeros.
    } else if (atEnd() || peek() < '1' || peek() > '9' || !digits()) {
      return false;
    }
    if (consume('.') && !digits())
      return false;
    if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
      ++position_;
      if (!consume('+'))
        consume('-');
      if (!digits())
        return false;
    }
    std::string token(text_.substr(start, position_ - start));
    double parsed = std::strtod(token.c_str(), nullptr);
    // Too large to be a double is not a number the reader can hold.
    if (std::isinf(parsed))
      return false;
    if (value)
      *value = parsed;
    return true;
  }

  bool hex4(unsigned* value) {
    if (text_.size() - position_ < 4)
      return false;
    unsigned result = 0;
    for (int i = 0; i < 4; ++i) {
      int digit = hexDigitValue(text_[position_ + i]);
      if (digit < 0)
        return false;
      result = result << 4 | static_cast<unsigned>(digit);
    }
    position_ += 4;
    *value = result;
    return true;
  }

  static void appendUtf8(SecretString& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool escape(SecretString* out) {
    if (atEnd())
      return false;
    char c = text_[position_++];
    char plain = 0;
    switch (c) {
      case '"':
        plain = '"';
        break;
      case '\\':
        plain = '\\';
        break;
      case '/':
        plain = '/';
        break;
      case 'b':
        plain = '\b';
        break;
      case 'f':
        plain = '\f';
        break;
      case 'n':
        plain = '\n';
        break;
      case 'r':
        plain = '\r';
        break;
      case 't':
        plain = '\t';
        break;
      case 'u': {
        unsigned code = 0;
        if (!hex4(&code))
          return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
          return false;  // a low surrogate without its high one
        if (code >= 0xD800 && code <= 0xDBFF) {
          unsigned low = 0;
          if (!literal("\\u") || !hex4(&low) || low < 0xDC00 || low > 0xDFFF)
            return false;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        if (out)
          appendUtf8(*out, code);
        return true;
      }
      default:
        return false;
    }
    if (out)
      *out += plain;
    return true;
  }

  // One well-formed UTF-8 sequence (no overlong forms, no surrogates, at
  // most U+10FFFF) starting at a byte of 0x80 or more.
  bool utf8Sequence() {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text_[position_ + i]); };
    auto continuation = [&](size_t i) {
      return position_ + i < text_.size() && (byte(i) & 0xC0) == 0x80;
    };
    unsigned char lead = byte(0);
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (!continuation(1) || (lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F))
        return false;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (!continuation(1) || (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
        return false;
    } else {
      return false;
    }
    for (size_t i = 1; i < length; ++i)
      if (!continuation(i))
        return false;
    position_ += length;
    return true;
  }

  // A string; its text goes to `out` when given.
  bool string(SecretString* out) {
    if (!consume('"'))
      return false;
    while (true) {
      // Copy the plain run up to the next byte that needs a look.
      size_t start = position_;
      while (!atEnd()) {
        unsigned char c = peek();
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
          break;
        ++position_;
      }
      if (out)
        out->append(text_.data() + start, position_ - start);
      if (atEnd())
        return false;
      unsigned char c = peek();
      if (c == '"') {
        ++position_;
        return true;
      }
      if (c < 0x20)
        return false;
      if (c == '\\') {
        ++position_;
        if (!escape(out))
          return false;
        continue;
      }
      size_t sequence = position_;
      if (!utf8Sequence())
        return false;
      if (out)
        out->append(text_.data() + sequence, position_ - sequence);
    }
  }

  std::string_view text_;
  size_t position_ = 0;
};

}  // namespace

std::optional<Json> readRequest(std::string_view line) {
  return Reader(line).request();
}

}  // namespace vell::seal
