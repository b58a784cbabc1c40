// The answers of a fixed, varied set of request lines, recorded from the
// service before its reader and answer writer were rewritten for speed:
// every answer must stay the same byte for byte. Answers holding fresh keys
// or nonces ("keypair", "seal") can only keep their form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/run_process.hpp"
#include "seal/json.hpp"

namespace vell::seal {

namespace {

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

bool freshEachTime(const std::string& request) {
  auto parsed = nlohmann::json::parse(request, nullptr, false);
  if (!parsed.is_object() || !parsed.contains("op") || !parsed["op"].is_string())
    return false;
  return parsed["op"] == "seal" || parsed["op"] == "keypair";
}

// Same members, each a base64 text of the same length.
bool sameForm(const std::string& expected, const std::string& actual) {
  auto a = nlohmann::json::parse(expected, nullptr, false);
  auto b = nlohmann::json::parse(actual, nullptr, false);
  if (!a.is_object() || !b.is_object() || a.size() != b.size() || a.contains("error"))
    return false;
  for (auto& [name, value] : a.items()) {
    if (!b.contains(name) || !b[name].is_string() || !value.is_string())
      return false;
    const std::string& text = b[name].get_ref<const std::string&>();
    if (text.size() != value.get_ref<const std::string&>().size() ||
        text.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") !=
            std::string::npos)
      return false;
  }
  return true;
}

}  // namespace

TEST(RecordedAnswers, EveryAnswerAsRecorded) {
  const char* dir = std::getenv("SEAL_ANSWERS");
  ASSERT_NE(dir, nullptr);
  std::string requestText = fileText(std::string(dir) + "/requests.jsonl");
  auto requests = lines(requestText);
  auto expected = lines(fileText(std::string(dir) + "/answers.jsonl"));
  ASSERT_GT(requests.size(), 200u);
  ASSERT_EQ(requests.size(), expected.size());
  ProcessResult result =
      runProcess(programPath("vell-seal"), {}, requestText, std::chrono::seconds(60));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  ASSERT_EQ(result.out.back(), '\n');
  auto answers = lines(result.out);
  ASSERT_EQ(answers.size(), expected.size());
  size_t fresh = 0;
  for (size_t i = 0; i < answers.size(); ++i) {
    if (answers[i] == expected[i])
      continue;
    if (freshEachTime(requests[i]) && sameForm(expected[i], answers[i])) {
      ++fresh;
      continue;
    }
    ADD_FAILURE() << "line " << i + 1 << ": " << requests[i].substr(0, 200) << "\n  recorded "
                  << expected[i].substr(0, 200) << "\n  answered " << answers[i].substr(0, 200);
  }
  EXPECT_GT(fresh, 5u);  // the seals and key pairs were really compared by form
}

}  // namespace vell::seal
