#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vell::platform {

// The first `count` user-perceived characters (extended grapheme clusters,
// as the platform's text services count them) of the UTF-8 text `text`, so
// that a cut never splits an accent from its letter, a flag or a joined
// emoji. Bytes that are not valid UTF-8 are replaced by U+FFFD first, so the
// result is always valid UTF-8.
std::string firstGraphemes(std::string_view text, std::size_t count);

// `text` with every byte sequence that is not valid UTF-8 replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace vell::platform
