#include "platform/text/graphemes.hpp"

#include <unicode/ubrk.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>

namespace vell::platform {

namespace {

struct BreakIteratorClose {
  void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
struct TextClose {
  void operator()(UText* text) const { utext_close(text); }
};

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
  int32_t i = 0;
  while (i < length) {
    int32_t begin = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    // U8_NEXT also refuses surrogates and overlong forms; NUL stays as is.
    if (c < 0)
      out += "\xEF\xBF\xBD";
    else
      out.append(text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(i - begin)));
  }
  return out;
}

std::string firstGraphemes(std::string_view text, std::size_t count) {
  std::string valid = validUtf8(text);
  if (count == 0)
    return {};
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UText, TextClose> utext(
      utext_openUTF8(nullptr, valid.data(), static_cast<int64_t>(valid.size()), &status));
  std::unique_ptr<UBreakIterator, BreakIteratorClose> breaks(
      ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
  if (U_FAILURE(status))
    return valid;
  ubrk_setUText(breaks.get(), utext.get(), &status);
  if (U_FAILURE(status))
    return valid;
  // With UTF-8 text, the boundaries ICU reports are byte offsets.
  int32_t end = ubrk_first(breaks.get());
  for (std::size_t taken = 0; taken < count; ++taken) {
    int32_t next = ubrk_next(breaks.get());
    if (next == UBRK_DONE)
      return valid;
    end = next;
  }
  return valid.substr(0, static_cast<std::size_t>(end));
}

}  // namespace vell::platform
