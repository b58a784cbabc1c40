#include "seal/request.hpp"

#include <bit>
#include <cstring>

#include "common/numbers.hpp"
#include "seal/base64.hpp"

namespace vell::seal {

namespace {

bool isBase64(Field field) {
  return field == Field::priv || field == Field::peer || field == Field::salt ||
         field == Field::key || field == Field::data;
}

std::optional<Field> fieldNamed(std::string_view name) {
  static constexpr std::pair<std::string_view, Field> kNames[] = {
      {"op", Field::op},     {"priv", Field::priv}, {"peer", Field::peer}, {"raw", Field::raw},
      {"salt", Field::salt}, {"info", Field::info}, {"key", Field::key},   {"data", Field::data},
      {"aad", Field::aad},   {"in", Field::in},     {"out", Field::out}};
  if (name.size() < 2 || name.size() > 4)
    return std::nullopt;
  for (const auto& [text, field] : kNames)
    if (text == name)
      return field;
  return std::nullopt;
}

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;

// A mark in the top bit of every byte of `word` that is zero; wrong marks
// can follow (in higher bytes) a right one, never come before it.
inline std::uint64_t zeroBytes(std::uint64_t word) {
  return (word - kOnes) & ~word & kHighs;
}

// The first byte from `p` that a JSON string cannot hold as it is: the
// quote, the backslash, a control character or a byte of 0x80 and up (the
// start of a sequence to check). Eight bytes a step.
const char* plainEnd(const char* p, const char* end) {
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big)
      word = __builtin_bswap64(word);
    std::uint64_t marks = zeroBytes(word ^ (kOnes * '"')) | zeroBytes(word ^ (kOnes * '\\')) |
                          ((word - kOnes * 0x20) & ~word & kHighs) | (word & kHighs);
    if (marks)
      return p + std::countr_zero(marks) / 8;
    p += 8;
  }
  while (p < end) {
    auto c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
      break;
    ++p;
  }
  return p;
}

// A string's text as it is built up in a buffer that wipes itself.
class TextOut {
 public:
  explicit TextOut(SecretBuffer& buffer) : buffer_(buffer) {}

  void append(const char* text, std::size_t size) {
    if (size_ + size > buffer_.capacity())
      buffer_.grow(std::max(2 * buffer_.capacity(), size_ + size + 64), size_);
    std::memcpy(buffer_.data() + size_, text, size);
    size_ += size;
    buffer_.wrote(size_);
  }
  void append(char c) { append(&c, 1); }

  std::string_view text() const { return {reinterpret_cast<const char*>(buffer_.data()), size_}; }

 private:
  SecretBuffer& buffer_;
  std::size_t size_ = 0;
};

}  // namespace

// A strict JSON reader (RFC 8259, UTF-8) for one request line.
class RequestParser {
 public:
  RequestParser(Request& request, std::string_view line)
      : request_(request), p_(line.data()), end_(line.data() + line.size()) {}

  bool parse() {
    request_.members_ = {};
    // A UTF-8 byte order mark is not part of the value.
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0)
      p_ += 3;
    skipSpace();
    if (!consume('{'))
      return false;
    skipSpace();
    if (!consume('}')) {
      while (true) {
        skipSpace();
        std::optional<Field> field;
        if (!memberName(field))
          return false;
        skipSpace();
        if (!consume(':'))
          return false;
        skipSpace();
        if (!memberValue(field))
          return false;
        skipSpace();
        if (consume(','))
          continue;
        if (consume('}'))
          break;
        return false;
      }
    }
    skipSpace();
    return p_ == end_;
  }

 private:
  using Kind = Request::Kind;
  using Member = Request::Member;

  bool atEnd() const { return p_ >= end_; }
  unsigned char peek() const { return static_cast<unsigned char>(*p_); }

  bool consume(char c) {
    if (atEnd() || *p_ != c)
      return false;
    ++p_;
    return true;
  }

  void skipSpace() {
    while (!atEnd() && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
      ++p_;
  }

  bool literal(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size() ||
        std::memcmp(p_, word.data(), word.size()) != 0)
      return false;
    p_ += word.size();
    return true;
  }

  Member& member(Field field) { return request_.members_[static_cast<std::size_t>(field)]; }
  SecretBuffer& buffer(Field field) { return request_.buffers_[static_cast<std::size_t>(field)]; }

  bool memberName(std::optional<Field>& field) {
    if (atEnd() || *p_ != '"')
      return false;
    const char* start = p_ + 1;
    const char* stop = plainEnd(start, end_);
    if (stop < end_ && *stop == '"') {
      field = fieldNamed({start, static_cast<std::size_t>(stop - start)});
      p_ = stop + 1;
      return true;
    }
    TextOut name(request_.name_);
    if (!string(&name))
      return false;
    field = fieldNamed(name.text());
    return true;
  }

  bool memberValue(std::optional<Field> field) {
    if (atEnd())
      return false;
    if (peek() == '"') {
      if (!field)
        return string(nullptr);
      return isBase64(*field) ? base64Member(*field) : textMember(*field);
    }
    Kind kind = Kind::other;
    switch (peek()) {
      case '{':
      case '[':
        if (!container())
          return false;
        break;
      case 't':
        if (!literal("true"))
          return false;
        kind = Kind::literalTrue;
        break;
      case 'f':
        if (!literal("false"))
          return false;
        break;
      case 'n':
        if (!literal("null"))
          return false;
        break;
      default:
        if (!number())
          return false;
    }
    if (field)
      member(*field) = Member{kind, false, 0, {}};
    return true;
  }

  // A string of a text member: a view into the line when it holds no
  // escapes, else its text in the member's buffer.
  bool textMember(Field field) {
    const char* start = p_ + 1;
    const char* stop = plainEnd(start, end_);
    if (stop < end_ && *stop == '"') {
      member(field) =
          Member{Kind::string, false, 0, {start, static_cast<std::size_t>(stop - start)}};
      p_ = stop + 1;
      return true;
    }
    TextOut text(buffer(field));
    if (!string(&text))
      return false;
    member(field) = Member{Kind::string, false, 0, text.text()};
    return true;
  }

  // A string of a base64 member, decoded into the member's buffer (after
  // kRoomBefore bytes). Plain base64 up to the closing quote, as every
  // sender writes it, is decoded straight from the line, which is then its
  // only reading; anything else is read as a string first and its text
  // decoded after.
  bool base64Member(Field field) {
    SecretBuffer& out = buffer(field);
    constexpr std::size_t kRoom = kRoomBefore + kRoomAfter + 3;  // 3: the last group's bytes
    const char* start = p_ + 1;
    const char* q = start;
    std::size_t bytes = 0;
    while (true) {
      std::size_t free = out.capacity() > kRoom + bytes ? out.capacity() - kRoom - bytes : 0;
      const char* limit = q + std::min(free / 3 * 4, static_cast<std::size_t>(end_ - q));
      const char* stop = decodeGroups(q, limit, out.data() + kRoomBefore + bytes);
      bytes += static_cast<std::size_t>(stop - q) / 4 * 3;
      out.wrote(kRoomBefore + bytes);
      q = stop;
      if (limit == end_ || limit - stop >= 4)
        break;  // the line or plain base64 ended
      out.grow(std::max<std::size_t>(2 * out.capacity(), 4096), kRoomBefore + bytes);
    }
    auto ending = decodeEnding(q, end_, out.data() + kRoomBefore + bytes);
    out.wrote(kRoomBefore + bytes + 3);
    if (ending && ending->stop < end_ && *ending->stop == '"') {
      member(field) = Member{Kind::string, true, bytes + ending->bytes, {}};
      p_ = ending->stop + 1;
      return true;
    }
    TextOut text(request_.scratch_);
    if (!string(&text))
      return false;
    out.room(kRoomBefore + decodedRoom(text.text().size()) + kRoomAfter);
    out.wrote(kRoomBefore + decodedRoom(text.text().size()));
    auto decoded = decodeMember(text.text(), out.data() + kRoomBefore);
    member(field) = Member{Kind::string, decoded.has_value(), decoded.value_or(0), {}};
    return true;
  }

  // Checks one nested array or object without recursion.
  bool container() {
    std::vector<char>& open = request_.open_;  // the closing bracket of each open container
    open.clear();
    while (true) {
      // At the start of a value (or of a container's end).
      if (atEnd())
        return false;
      unsigned char c = peek();
      if (c == '{' || c == '[') {
        ++p_;
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
        return number();
    }
  }

  bool digits() {
    const char* start = p_;
    while (!atEnd() && peek() >= '0' && peek() <= '9')
      ++p_;
    return p_ > start;
  }

  // A number's grammar only: no operation reads a number's value, so any
  // number JSON allows is accepted, however large or long.
  bool number() {
    consume('-');
    if (consume('0')) {
      // No leading zeros.
    } else if (atEnd() || peek() < '1' || peek() > '9' || !digits()) {
      return false;
    }
    if (consume('.') && !digits())
      return false;
    if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
      ++p_;
      if (!consume('+'))
        consume('-');
      if (!digits())
        return false;
    }
    return true;
  }

  bool hex4(unsigned* value) {
    if (end_ - p_ < 4)
      return false;
    unsigned result = 0;
    for (int i = 0; i < 4; ++i) {
      int digit = hexDigitValue(p_[i]);
      if (digit < 0)
        return false;
      result = result << 4 | static_cast<unsigned>(digit);
    }
    p_ += 4;
    *value = result;
    return true;
  }

  static void appendUtf8(TextOut& out, unsigned code) {
    char bytes[4];
    std::size_t size = 0;
    if (code < 0x80) {
      bytes[size++] = static_cast<char>(code);
    } else if (code < 0x800) {
      bytes[size++] = static_cast<char>(0xC0 | code >> 6);
      bytes[size++] = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      bytes[size++] = static_cast<char>(0xE0 | code >> 12);
      bytes[size++] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      bytes[size++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      bytes[size++] = static_cast<char>(0xF0 | code >> 18);
      bytes[size++] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
      bytes[size++] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      bytes[size++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    out.append(bytes, size);
  }

  bool escape(TextOut* out) {
    if (atEnd())
      return false;
    char c = *p_++;
    char plain = 0;
    switch (c) {
      case '"':
      case '\\':
      case '/':
        plain = c;
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
      out->append(plain);
    return true;
  }

  // One well-formed UTF-8 sequence (no overlong forms, no surrogates, at
  // most U+10FFFF) starting at a byte of 0x80 or more.
  bool utf8Sequence() {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(p_[i]); };
    auto continuation = [&](std::size_t i) { return p_ + i < end_ && (byte(i) & 0xC0) == 0x80; };
    unsigned char lead = byte(0);
    std::size_t length = 0;
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
    for (std::size_t i = 1; i < length; ++i)
      if (!continuation(i))
        return false;
    p_ += length;
    return true;
  }

  // A string from its opening quote; its text goes to `out` when given.
  bool string(TextOut* out) {
    if (!consume('"'))
      return false;
    while (true) {
      const char* start = p_;
      p_ = plainEnd(p_, end_);
      if (out && p_ > start)
        out->append(start, static_cast<std::size_t>(p_ - start));
      if (atEnd())
        return false;
      unsigned char c = peek();
      if (c == '"') {
        ++p_;
        return true;
      }
      if (c < 0x20)
        return false;
      if (c == '\\') {
        ++p_;
        if (!escape(out))
          return false;
        continue;
      }
      const char* sequence = p_;
      if (!utf8Sequence())
        return false;
      if (out)
        out->append(sequence, static_cast<std::size_t>(p_ - sequence));
    }
  }

  Request& request_;
  const char* p_;
  const char* end_;
};

bool Request::read(std::string_view line) {
  return RequestParser(*this, line).parse();
}

std::optional<std::string_view> Request::text(Field field) const {
  const Member& member = members_[static_cast<std::size_t>(field)];
  if (member.kind != Kind::string)
    return std::nullopt;
  return member.text;
}

bool Request::isTrue(Field field) const {
  return members_[static_cast<std::size_t>(field)].kind == Kind::literalTrue;
}

std::optional<std::span<std::uint8_t>> Request::bytes(Field field) {
  const Member& member = members_[static_cast<std::size_t>(field)];
  if (member.kind != Kind::string || !member.decoded)
    return std::nullopt;
  return std::span<std::uint8_t>(buffers_[static_cast<std::size_t>(field)].data() + kRoomBefore,
                                 member.size);
}

std::span<std::uint8_t> Request::withRoom(Field field) {
  const Member& member = members_[static_cast<std::size_t>(field)];
  SecretBuffer& buffer = buffers_[static_cast<std::size_t>(field)];
  std::size_t size = kRoomBefore + member.size + kRoomAfter;
  buffer.wrote(size);
  return {buffer.data(), size};
}

void Request::wipe() {
  for (auto& buffer : buffers_)
    buffer.wipe();
  name_.wipe();
  scratch_.wipe();
  members_ = {};
}

}  // namespace vell::seal
