#include "seal/service.hpp"

#include <new>

#include "common/write_all.hpp"
#include "seal/line_reader.hpp"
#include "seal/messages.hpp"
#include "seal/operations.hpp"
#include "seal/seal_error.hpp"

namespace vell::seal {

std::string_view Service::answer(std::string_view line) {
  auto errorLine = [this](std::string_view message) {
    answer_.clear();
    answer_.text("error", message);
    return answer_.line();
  };
  std::string_view answerLine;
  try {
    if (request_.read(line)) {
      handle(request_, answer_);
      answerLine = answer_.line();
    } else {
      answerLine = errorLine(kNotJson);
    }
  } catch (const SealError& error) {
    answerLine = errorLine(error.message);
  } catch (...) {
    // The cause (a wrong key length, a tag that does not verify, a file that
    // cannot be read, memory) is deliberately not reported.
    answerLine = errorLine(kDidNotCheckOut);
  }
  if (answerLine.empty()) {
    static const std::string failed = std::string(kAnswerFailedLine) + "\n";
    return failed;
  }
  return answerLine;
}

void Service::wipe() {
  request_.wipe();
  answer_.wipe();
}

SecretString answerLine(std::string_view line) {
  Service service;
  std::string_view answer = service.answer(line);
  SecretString text(answer.substr(0, answer.size() - 1));
  service.wipe();
  return text;
}

Served serve(int inputFd, int outputFd) {
  LineReader reader(inputFd);
  Service service;
  std::string_view line;
  while (true) {
    switch (reader.next(line)) {
      case LineReader::Got::end:
        return Served::endOfInput;
      case LineReader::Got::failed:
        return Served::inputFailed;
      case LineReader::Got::line:
        break;
    }
    bool written = writeAll(outputFd, service.answer(line));
    service.wipe();
    reader.wipeLine();
    if (!written)
      return Served::outputFailed;
  }
}

}  // namespace vell::seal
