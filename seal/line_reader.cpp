#include "seal/line_reader.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vell::seal {

namespace {

// From a file, one read brings in about a hundred 1 KiB requests, and is
// small enough that the lines are still in the cache when they are read.
constexpr std::size_t kReadSize = 128 << 10;
constexpr std::size_t kFirstSize = 4 * kReadSize;

}  // namespace

LineReader::~LineReader() {
  buffer_.wrote(end_);
  buffer_.wipe();
}

LineReader::Got LineReader::next(std::string_view& line) {
  while (true) {
    if (scanned_ < end_) {
      const char* data = buffer_.chars();
      const void* newline = std::memchr(data + scanned_, '\n', end_ - scanned_);
      if (newline) {
        std::size_t at = static_cast<std::size_t>(static_cast<const char*>(newline) - data);
        lineStart_ = start_;
        lineEnd_ = at;
        line = {data + start_, at - start_};
        start_ = scanned_ = at + 1;
        return Got::line;
      }
      scanned_ = end_;
    }
    if (end_ == buffer_.capacity())
      makeRoom();
    ssize_t got =
        ::read(fd_, buffer_.chars() + end_, std::min(kReadSize, buffer_.capacity() - end_));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return Got::failed;
    if (got == 0) {
      if (start_ == end_)
        return Got::end;
      lineStart_ = start_;
      lineEnd_ = end_;
      line = {buffer_.chars() + start_, end_ - start_};
      start_ = scanned_ = end_;
      return Got::line;
    }
    end_ += static_cast<std::size_t>(got);
    buffer_.wrote(end_);
  }
}

void LineReader::makeRoom() {
  std::size_t partial = end_ - start_;
  if (start_ > 0) {
    // The answered lines before it have been wiped; what the move leaves
    // behind past the partial line is a stale copy of it.
    std::memmove(buffer_.data(), buffer_.data() + start_, partial);
    platform::wipe(buffer_.data() + partial, end_ - partial);
    scanned_ -= start_;
    start_ = 0;
    end_ = partial;
  }
  if (end_ == buffer_.capacity())
    buffer_.grow(std::max(kFirstSize, 2 * buffer_.capacity()), end_);
}

void LineReader::wipeLine() {
  if (lineEnd_ > lineStart_)
    platform::wipe(buffer_.data() + lineStart_, lineEnd_ - lineStart_);
  lineStart_ = lineEnd_ = 0;
}

}  // namespace vell::seal
