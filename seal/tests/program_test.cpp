#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/fuzz_driver.hpp"
#include "common/nonregular_files.hpp"
#include "common/run_process.hpp"
#include "common/test_folder.hpp"
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
  return runProcess(programPath("vell-seal"), args, input, std::chrono::seconds(60));
}

std::string sealfileLine(const std::filesystem::path& in, const std::filesystem::path& out) {
  const auto line = Json{
      {"op", "sealfile"},
      {"key", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"},
      {"in", in.string()},
      {"out",
       out.string()}}.dump();
  return std::string(line.begin(), line.end()) + "\n";
}

const std::string unworded = "{\"error\":\"that didn\xE2\x80\x99t check out\"}";

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

// Only regular files are sealed, and only a regular file (or nothing) is
// replaced: a pipe with no writer must not stall the service, and a device
// or pipe at "out" stays what it is.
TEST(SealProgram, SealfileTouchesOnlyRegularFiles) {
  TestFolder folder;
  const auto plain = folder.path() / "plain.txt";
  std::ofstream(plain) << "secret";
  const auto specials = testing::nonRegularFiles(folder.path());
  std::string input;
  std::vector<std::string> expected;
  for (const auto& special : specials) {
    input += sealfileLine(special.path, folder.path() / "sealed.bin");
    input += sealfileLine(plain, special.path);
    expected.insert(expected.end(), {unworded, unworded});
  }
  if (testing::makeDevice(folder.path() / "zero", testing::Device::zero)) {
    input += sealfileLine(folder.path() / "zero", folder.path() / "sealed.bin");
    expected.push_back(unworded);
  }
  // A path the system would read only up to its NUL names no file.
  const std::string cut = plain.string() + std::string("\0.bak", 5);
  input += sealfileLine(cut, folder.path() / "sealed.bin");
  input += sealfileLine(plain, folder.path() / ("sealed.bin" + std::string("\0x", 2)));
  expected.insert(expected.end(), {unworded, unworded});
  input += sealfileLine(plain, folder.path() / "sealed.bin") + "{\"op\":\"ping\"}\n";
  expected.insert(expected.end(), {R"({"n":34,"ok":true})", R"({"ok":true,"v":1})"});
  ProcessResult result = seal({}, input);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(lines(result.out), expected);
  for (const auto& special : specials)
    EXPECT_EQ(testing::kindOf(special.path), special.kind) << special.what;
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
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
