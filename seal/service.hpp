#pragma once

#include <string_view>

#include "seal/answer.hpp"
#include "seal/request.hpp"
#include "seal/secret_buffer.hpp"

namespace vell::seal {

// The request loop's state: the buffers one request uses, kept for the
// next so that a request allocates nothing.
class Service {
 public:
  // The whole answer line, with its line feed, for one request line. Never
  // fails: every outcome is one line. Valid until the next call or wipe.
  std::string_view answer(std::string_view line);

  // Clears every buffer the last request and its answer wrote to.
  void wipe();

 private:
  Request request_;
  Answer answer_;
};

// The answer line (without its line feed) for one request line.
SecretString answerLine(std::string_view line);

// How serving ended.
enum class Served { endOfInput, inputFailed, outputFailed };

// Reads request lines from `inputFd` until end of input and writes one
// answer line to `outputFd` for each, with one write as soon as it is
// complete. A last line without a line feed is still answered. Stops at
// once when reading fails or an answer cannot be written in full.
Served serve(int inputFd, int outputFd);

}  // namespace vell::seal
