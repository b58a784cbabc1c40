// Feeds arbitrary bytes to the request loop, line by line. Every line must
// get exactly one answer line that is a JSON object; the request reader
// must accept exactly the lines the JSON library reads as an object, with
// the same members of the names the operations read; and the base64 of
// those members must decode as the protocol's plain reading decodes it.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "seal/base64.hpp"
#include "seal/base64_reference.hpp"
#include "seal/json.hpp"
#include "seal/request.hpp"
#include "seal/service.hpp"

namespace {

using vell::seal::Field;

void checkDecoding(std::string_view text) {
  std::vector<std::uint8_t> out(vell::seal::decodedRoom(text.size()));
  auto ours = vell::seal::decodeMember(text, out.data());
  auto theirs = vell::seal::testing::plainDecoding(std::string(text));
  if (ours.has_value() != theirs.has_value())
    std::abort();
  if (ours && std::string_view(reinterpret_cast<const char*>(out.data()), *ours) != *theirs)
    std::abort();
}

// Finds where the library's reading of a line fails, and why.
struct FailureFinder : nlohmann::json_sax<nlohmann::json> {
  std::size_t where = 0;
  int id = 0;
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& error) override {
    where = position;
    id = error.id;
    return false;
  }
};

// The library refuses a number beyond a double's range (its error 406),
// which JSON allows and the request reader takes; each such number is read
// as 0 instead.
nlohmann::json libraryReading(std::string line) {
  while (true) {
    FailureFinder finder;
    if (nlohmann::json::sax_parse(line, &finder) || finder.id != 406 || finder.where == 0 ||
        finder.where > line.size())
      return nlohmann::json::parse(line, nullptr, false);
    auto numberPart = [](char c) {
      return std::string_view("0123456789+-.eE").find(c) != std::string_view::npos;
    };
    size_t end = finder.where;  // just past the number
    size_t start = end;
    while (start > 0 && numberPart(line[start - 1]))
      --start;
    // A number the lexer stopped short of ("1e999e5") is no number at all.
    if (start == end || (end < line.size() && numberPart(line[end])))
      return nlohmann::json(nlohmann::json::value_t::discarded);
    line = line.substr(0, start) + "0" + line.substr(end);
  }
}

void compareWithLibrary(std::string_view line) {
  // The library stops reading at a NUL byte as if the text ended there;
  // a strict reader refuses what follows, so such lines are not compared.
  if (line.find('\0') != std::string_view::npos)
    return;
  static vell::seal::Request ours;  // kept, as the service keeps it
  bool read = ours.read(line);
  auto theirs = libraryReading(std::string(line));
  if (read != (!theirs.is_discarded() && theirs.is_object()))
    std::abort();
  if (!read)
    return ours.wipe();
  static constexpr std::pair<const char*, Field> kTexts[] = {{"op", Field::op},
                                                             {"info", Field::info},
                                                             {"aad", Field::aad},
                                                             {"in", Field::in},
                                                             {"out", Field::out}};
  static constexpr std::pair<const char*, Field> kBase64[] = {{"priv", Field::priv},
                                                              {"peer", Field::peer},
                                                              {"salt", Field::salt},
                                                              {"key", Field::key},
                                                              {"data", Field::data}};
  for (auto [name, field] : kTexts) {
    bool isString = theirs.contains(name) && theirs[name].is_string();
    auto text = ours.text(field);
    if (text.has_value() != isString || (isString && *text != theirs[name].get<std::string>()))
      std::abort();
  }
  for (auto [name, field] : kBase64) {
    std::optional<std::string> expected;
    if (theirs.contains(name) && theirs[name].is_string())
      expected = vell::seal::testing::plainDecoding(theirs[name].get<std::string>());
    auto bytes = ours.bytes(field);
    if (bytes.has_value() != expected.has_value())
      std::abort();
    if (bytes && std::string(bytes->begin(), bytes->end()) != *expected)
      std::abort();
  }
  bool rawIsTrue =
      theirs.contains("raw") && theirs["raw"].is_boolean() && theirs["raw"].get<bool>();
  if (ours.isTrue(Field::raw) != rawIsTrue)
    std::abort();
  ours.wipe();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  checkDecoding(input.substr(0, 256));
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
