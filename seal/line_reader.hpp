#pragma once

#include <cstddef>
#include <string_view>

#include "seal/secret_buffer.hpp"

namespace vell::seal {

// Reads lines from a file descriptor into one buffer that is kept, and
// grown to the longest line, for the whole run: a line is handed out where
// it lies, without a copy. Lines carry private keys and plaintexts, so each
// is wiped once it has been answered, and the buffer when it goes.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  enum class Got { line, end, failed };

  // The next line without its line feed; a last line without one counts
  // too. `end` at the end of input, `failed` when reading fails.
  Got next(std::string_view& line);

  // Clears the bytes of the line last handed out.
  void wipeLine();

 private:
  // Makes room after the buffered bytes, moving the line being read to the
  // front or growing the buffer.
  void makeRoom();

  int fd_;
  SecretBuffer buffer_;
  std::size_t start_ = 0;    // the first byte not yet handed out
  std::size_t scanned_ = 0;  // bytes from start_ on known to hold no line feed end there
  std::size_t end_ = 0;      // the end of the bytes read
  std::size_t lineStart_ = 0;
  std::size_t lineEnd_ = 0;
};

}  // namespace vell::seal
