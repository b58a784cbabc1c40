// Feeds arbitrary bytes to the request loop, line by line. Every line must
// get exactly one answer line that is a JSON object, and the request reader
// must accept exactly the lines the JSON library reads as an object, with
// the same top-level strings and booleans.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "seal/request.hpp"
#include "seal/service.hpp"

namespace {

void compareWithLibrary(std::string_view line) {
  // The library stops reading at a NUL byte as if the text ended there;
  // a strict reader refuses what follows, so such lines are not compared.
  if (line.find('\0') != std::string_view::npos)
    return;
  auto ours = vell::seal::readRequest(line);
  auto theirs = nlohmann::json::parse(line, nullptr, false);
  bool theirsIsRequest = !theirs.is_discarded() && theirs.is_object();
  if (ours.has_value() != theirsIsRequest)
    std::abort();
  if (!ours)
    return;
  for (auto& [name, value] : theirs.items()) {
    auto found = ours->find(vell::seal::SecretString(name));
    if (found == ours->end())
      std::abort();
    // Numbers of any kind are only ever "not a string" to the operations.
    if (value.is_number() ? !found->is_number() : found->type() != value.type())
      std::abort();
    if (value.is_string() && std::string_view(found->get_ref<const vell::seal::SecretString&>()) !=
                                 value.get_ref<const std::string&>())
      std::abort();
    if (value.is_boolean() && found->get<bool>() != value.get<bool>())
      std::abort();
  }
  if (ours->size() != theirs.size())
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    compareWithLibrary(line);
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
