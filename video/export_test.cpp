#include "video/export.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "common/test_folder.hpp"
#include "video/run.hpp"
#include "video/tests/catalogue.hpp"

namespace vell::video {
namespace {

namespace fs = std::filesystem;
using testing::makeCatalogue;
using testing::sampleClip;

class VideoWait : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(sampleClip("full-hd.mp4")))
      GTEST_SKIP() << "no sample clips: run scripts/samples.sh";
    makeCatalogue(library(), {{"full", 2, sampleClip("full-hd.mp4"), 1920, 1080, 12, 0},
                              {"short", 2, sampleClip("realshort.mp4"), 320, 240, 1.2, 0},
                              {"gone", 2, "gone.mp4", 320, 240, 1.2, 0}});
  }
  fs::path library() const { return folder.path() / "photos"; }
  fs::path outputs() const { return folder.path() / "out"; }

  std::pair<int, Answer> exportNow(std::vector<std::string> args, Wait wait) {
    std::ostringstream out;
    int status = run(std::move(args), {out, library(), wait});
    EXPECT_EQ(out.str().back(), '\n');
    return {status, Answer::parse(out.str())};
  }

  TestFolder folder;
};

TEST_F(VideoWait, TimeoutCancelsTheExportAndKeepsTheOldFile) {
  fs::create_directories(outputs());
  fs::path dst = outputs() / "late.mp4";
  std::ofstream(dst) << "an older export";
  auto began = std::chrono::steady_clock::now();
  auto [status, answer] = exportNow(
      {"full", dst}, Wait{std::chrono::milliseconds(400), std::chrono::milliseconds(200)});
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  EXPECT_EQ(answer, Answer({{"error", "timeout"}}));
  EXPECT_EQ(status, 5);
  // The older file as it was, no temporary file beside it.
  EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(outputs()), {}),
            std::vector<fs::path>{dst});
  std::ifstream in(dst);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "an older export");
  // The export stops soon after the time runs out.
  EXPECT_LT(took, 5.0);
}

TEST_F(VideoWait, AnswerArrivesAsSoonAsTheExportEnds) {
  fs::create_directories(outputs());
  auto began = std::chrono::steady_clock::now();
  // A long slice: the answer must not wait for it to pass.
  auto [status, answer] = exportNow({"gone", outputs() / "x.mp4"},
                                    Wait{std::chrono::seconds(60), std::chrono::seconds(30)});
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  EXPECT_EQ(answer["error"], "export-unavailable");
  EXPECT_EQ(status, 5);
  EXPECT_LT(took, 10.0);

  std::tie(status, answer) = exportNow({"short", outputs() / "short.mp4"}, Wait{});
  EXPECT_EQ(status, 0) << answer;
  EXPECT_EQ(answer, Answer({{"ok", true},
                            {"path", (outputs() / "short.mp4").string()},
                            {"w", 320},
                            {"h", 240},
                            {"dur", 1.2}}));
}

}  // namespace
}  // namespace vell::video
