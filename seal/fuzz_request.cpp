// Feeds arbitrary bytes to the request loop, line by line; every line must
// get exactly one answer line that is a JSON object.
#include <cstdlib>
#include <string_view>

#include "seal/service.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    auto answer = vell::seal::answerLine(line);
    if (answer.find('\n') != std::string_view::npos)
      std::abort();
    auto parsed = vell::seal::Json::parse(answer, nullptr, false);
    if (!parsed.is_object() || parsed.empty())
      std::abort();
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  }
  return 0;
}
