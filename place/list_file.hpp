#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell::place {

// One picture to analyse: the caller's key, echoed in its line, and the
// picture's path. Neither is trimmed or checked.
struct Job {
  std::string key;
  std::string path;
};

// Far more lines than any batch holds.
inline constexpr std::int64_t maxListBytes = std::int64_t{1} << 30;

// The whole list file at `path`, or nothing when it cannot be read, is not a
// regular file (a device or a named pipe may never end), is longer than
// `maxListBytes` or is not valid UTF-8.
std::optional<std::string> readListFile(const std::string& path);

// The longest path a line may name: no file has a longer one (the system's
// PATH_MAX, less its NUL), and the longest key.
inline constexpr std::size_t maxPathBytes = 4095;
inline constexpr std::size_t maxKeyBytes = 4095;

// The jobs of a list file's text, in order. Lines end at a line feed or at a
// carriage return and line feed pair; a lone carriage return stays part of
// its line. Tabs at the start of a line are skipped; the key runs to the next
// tab and the path is the rest of the line, further tabs included. Lines
// without a key or a path, or with a key over `maxKeyBytes`, are skipped. A
// path over `maxPathBytes` names no file: its job has an empty path, which
// reads as unreadable, and nothing of the long line is copied.
std::vector<Job> parseList(std::string_view text);

// Whether `bytes` are valid UTF-8 (no overlong forms, surrogates or code
// points above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

}  // namespace vell::place
