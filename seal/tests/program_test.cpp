#include <gtest/gtest.h>

#include <sstream>

#include "common/fuzz_driver.hpp"
#include "common/run_process.hpp"
#include "seal/json.hpp"

namespace vell::seal {

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    result.push_back(line);
  return result;
}

ProcessResult seal(const std::vector<std::string>& args, const std::string& input) {
  return runProcess(programPath("vell-seal"), args, input);
}

}  // namespace

TEST(SealProgram, AnswersEveryLineInOrder) {
  std::string input = std::string("\n") + "[1,2]\n" + "  {\"op\":\"ping\"}  \n" + "{}\n" +
                      "garbage\n" + std::string("\0\0\n", 3) + "\xff\xfe\n" + "42\n" +
                      "\"ping\"\n" + "{\"op\":\"ping\"}";  // the last line has no line feed
  ProcessResult result = seal({}, input);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::vector<std::string> expected = {R"({"error":"not JSON"})", R"({"error":"not JSON"})",
                                       R"({"ok":true,"v":1})",    R"({"error":"unknown op"})",
                                       R"({"error":"not JSON"})", R"({"error":"not JSON"})",
                                       R"({"error":"not JSON"})", R"({"error":"not JSON"})",
                                       R"({"error":"not JSON"})", R"({"ok":true,"v":1})"};
  EXPECT_EQ(lines(result.out), expected);
  EXPECT_EQ(result.out.back(), '\n');
}

TEST(SealProgram, NoInputNoOutput) {
  ProcessResult result = seal({}, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

TEST(SealProgram, UnwordedFailuresUseTheTypographicApostrophe) {
  ProcessResult result =
      seal({}, R"({"op":"open","key":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA","data":"AA"})"
               "\n");
  EXPECT_EQ(result.out, "{\"error\":\"that didn\xE2\x80\x99t check out\"}\n");
}

TEST(SealProgram, SelftestModeIsTheExactFirstArgument) {
  ProcessResult result = seal({"selftest", "more"}, "{\"op\":\"ping\"}\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "ok\n");  // standard input is never read
  for (std::string first : {"--selftest", "SELFTEST", "other"}) {
    result = seal({first}, "{\"op\":\"ping\"}\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "{\"ok\":true,\"v\":1}\n") << first;
  }
}

TEST(SealProgram, HugeLinesAreAnsweredAndTheLoopGoesOn) {
  std::string huge = "{\"op\":\"ping\",\"pad\":\"" + std::string(64 << 20, 'a') + "\"}\n";
  std::string deep = "{\"op\":\"ping\",\"x\":" + std::string(8 << 20, '[') + "\n";
  ProcessResult result =
      seal({}, huge + deep + std::string(64 << 20, 'x') + "\n{\"op\":\"ping\"}\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(lines(result.out),
            (std::vector<std::string>{R"({"ok":true,"v":1})", R"({"error":"not JSON"})",
                                      R"({"error":"not JSON"})", R"({"ok":true,"v":1})"}));
}

TEST(SealProgram, MutatedRequestsGetOneJsonAnswerEach) {
  std::vector<Bytes> seeds;
  for (
      std::string seed :
      {R"({"op":"ping"})", R"({"op":"keypair"})",
       R"({"op":"seal","key":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA","data":"Zm9v","aad":"x"})",
       R"({"op":"open","key":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA","data":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"})",
       R"({"op":"agree","priv":"dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo","peer":"3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08","salt":"c2FsdA","info":"i"})",
       R"({"op":"sealfile","key":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA","in":"/nonexistent/in","out":"/nonexistent/out"})"})
    seeds.emplace_back(seed.begin(), seed.end());
  Mutator mutator(seeds, 7);
  std::string input;
  size_t count = 0;
  for (; count < 3000; ++count) {
    Bytes line = mutator.next();
    std::string text(line.begin(), line.end());
    // Line breaks inside a mutation would make several requests of one.
    for (char& c : text)
      if (c == '\n')
        c = ' ';
    input += text + "\n";
  }
  ProcessResult result = seal({}, input);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  auto answers = lines(result.out);
  ASSERT_EQ(answers.size(), count);
  for (const auto& answer : answers) {
    Json parsed = Json::parse(answer, nullptr, false);
    ASSERT_TRUE(parsed.is_object()) << answer;
    ASSERT_FALSE(parsed.empty()) << answer;
  }
}

}  // namespace vell::seal
