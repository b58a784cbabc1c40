#include "seal/service.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "seal/messages.hpp"
#include "seal/operations.hpp"
#include "seal/request.hpp"
#include "seal/seal_error.hpp"

namespace vell::seal {

namespace {

Json errorAnswer(std::string_view message) {
  return {{"error", SecretString(message)}};
}

Json answerFor(std::string_view line) {
  auto request = readRequest(line);
  if (!request)
    return errorAnswer(kNotJson);
  try {
    return handle(*request);
  } catch (const SealError& error) {
    return errorAnswer(error.message);
  } catch (...) {
    // The cause (a wrong key length, a tag that does not verify, a file that
    // cannot be read, memory) is deliberately not reported.
    return errorAnswer(kDidNotCheckOut);
  }
}

// Reads lines from a file descriptor into a buffer that wipes itself, since
// request lines carry private keys and plaintexts.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}

  // The next line without its terminator, or false at end of input.
  bool next(SecretString& line) {
    line.clear();
    while (true) {
      if (start_ < end_) {
        const char* begin = chunk_ + start_;
        const void* newline = std::memchr(begin, '\n', end_ - start_);
        std::size_t length = newline ? static_cast<const char*>(newline) - begin : end_ - start_;
        line.append(begin, length);
        start_ += length;
        if (newline) {
          ++start_;
          return true;
        }
      }
      platform::wipe(chunk_, sizeof chunk_);
      ssize_t got = ::read(fd_, chunk_, sizeof chunk_);
      if (got < 0 && errno == EINTR)
        continue;
      if (got <= 0) {
        start_ = end_ = 0;
        return !line.empty();
      }
      start_ = 0;
      end_ = static_cast<std::size_t>(got);
    }
  }

  ~LineReader() { platform::wipe(chunk_, sizeof chunk_); }

 private:
  int fd_;
  char chunk_[65536];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

SecretString answerLine(std::string_view line) {
  Json answer = answerFor(line);
  try {
    return answer.dump();
  } catch (...) {
    return SecretString(kAnswerFailedLine);
  }
}

void serve(int inputFd, std::FILE* output) {
  std::setvbuf(output, nullptr, _IOLBF, 0);
  LineReader reader(inputFd);
  SecretString line;
  while (reader.next(line)) {
    SecretString answer = answerLine(line);
    answer += '\n';
    std::fwrite(answer.data(), 1, answer.size(), output);
    std::fflush(output);
    platform::wipe(line.data(), line.size());
  }
}

}  // namespace vell::seal
