// vell-encode as the parent runs it: arguments, index, outcome lines and exit
// statuses, and the video read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <thread>

#include "common/nonregular_files.hpp"
#include "common/run_process.hpp"
#include "encode/tests/encode_run.hpp"

namespace vell::encode {
namespace {

using testing::runEncode;
using testing::writeStill;
using vell::testing::decodeFrames;
using vell::testing::probeVideo;
namespace fs = std::filesystem;

using Rgb = std::array<double, 3>;
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kBlack{0, 0, 0};

class EncodeProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir());
    writeStill(dir() / "red.png", {255, 0, 0, 255});
    writeStill(dir() / "green.png", {0, 255, 0, 255});
    writeStill(dir() / "blue.png", {0, 0, 255, 255});
  }
  fs::path dir() const { return folder.path() / "frames"; }
  fs::path out() const { return folder.path() / "out.mp4"; }
  void writeIndex(const std::string& text) const { std::ofstream(dir() / "index.json") << text; }

  // Runs a 64 x 64 encode of `seconds` and expects "ok".
  void encodeSmall(const std::string& seconds, const fs::path& to) const {
    auto outcome = runEncode({dir(), to, seconds, "64", "64", "200000"});
    ASSERT_EQ(outcome.out, "ok\n");
    ASSERT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
  }

  // Expects the colour at the middle of decoded frame `i`.
  static void expectFrame(const std::vector<vell::testing::DecodedFrame>& frames, size_t i,
                          Rgb expected) {
    ASSERT_LT(i, frames.size());
    auto actual = vell::testing::colourAt(frames[i], 64, 32, 32);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(actual[c], expected[c], 24) << "frame " << i << " component " << c;
  }

  TestFolder folder;
};

TEST_F(EncodeProgram, TooFewArgumentsPrintTheUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"a"}, {"a", "b.mp4"}}) {
    auto outcome = runEncode(args);
    EXPECT_EQ(outcome.out, "usage: vell-encode dir out.mp4 seconds [w h bitrate]\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 2);
  }
}

TEST_F(EncodeProgram, AnUnusableIndexGivesNoFramesAndLeavesTheOutputAlone) {
  std::ofstream(out()) << "old";
  const char* indexes[] = {
      "[]",
      "{}",
      R"([["red.png"], ["blue.png"]])",
      R"([["red.png", 0], "blue.png"])",
      R"([["red.png", "0"]])",
      "[[\"red.png\", 0]",
      "",
  };
  for (const char* index : indexes) {
    writeIndex(index);
    auto outcome = runEncode({dir(), out(), "1", "64", "64"});
    EXPECT_EQ(outcome.out, "no frames\n") << index;
    EXPECT_EQ(outcome.status, 1) << index;
    EXPECT_EQ(outcome.err, "");
  }
  fs::remove(dir() / "index.json");
  EXPECT_EQ(runEncode({dir(), out(), "1"}).out, "no frames\n");
  EXPECT_EQ(testing::readText(out()), "old");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"frames", "out.mp4"}));
}

TEST_F(EncodeProgram, ShowsEachPictureFromItsTimeAsH264High) {
  // Times from any origin; a string time is skipped, the rest still count.
  writeIndex(
      R"([["red.png", 100], ["blue.png", "100.5"], ["green.png", 101], ["blue.png", 101.5]])");
  encodeSmall("2.5", out());

  auto probe = probeVideo(out());
  EXPECT_EQ(probe["stream"]["codec_name"], "h264");
  EXPECT_EQ(probe["stream"]["profile"], "High");
  EXPECT_EQ(probe["stream"]["width"], 64);
  EXPECT_EQ(probe["stream"]["height"], 64);
  EXPECT_EQ(probe["stream"]["pix_fmt"], "yuv420p");
  EXPECT_EQ(probe["stream"]["r_frame_rate"], "30/1");
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "75");
  EXPECT_EQ(probe["stream"]["duration"], "2.500000");
  EXPECT_EQ(probe["format"]["tags"]["major_brand"], "isom");

  auto frames = decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 75u);
  for (size_t i = 0; i < frames.size(); ++i)
    EXPECT_NEAR(frames[i].time, i / 30.0, 1e-3) << "frame " << i;
  expectFrame(frames, 0, kRed);
  expectFrame(frames, 29, kRed);
  expectFrame(frames, 30, kGreen);
  expectFrame(frames, 44, kGreen);
  expectFrame(frames, 45, kBlue);
  expectFrame(frames, 74, kBlue);
}

TEST_F(EncodeProgram, AMissingPictureLeavesThePreviousOneOnScreen) {
  writeIndex(R"([["red.png", 0], ["missing.png", 1], ["blue.png", 2]])");
  encodeSmall("3", out());
  auto frames = decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 90u);
  expectFrame(frames, 29, kRed);
  expectFrame(frames, 30, kRed);
  expectFrame(frames, 59, kRed);
  expectFrame(frames, 60, kBlue);
}

TEST_F(EncodeProgram, NothingIsShownBeforeTheFirstPictureThatLoads) {
  std::ofstream(dir() / "broken.png") << "not a picture";
  writeIndex(R"([["missing.png", 0], ["broken.png", 0.5], ["red.png", 1], ["green.png", 1.5]])");
  encodeSmall("2", out());
  auto frames = decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 30u);
  EXPECT_NEAR(frames[0].time, 1.0, 1e-3);
  expectFrame(frames, 0, kRed);
  expectFrame(frames, 14, kRed);
  expectFrame(frames, 15, kGreen);
  EXPECT_EQ(probeVideo(out())["stream"]["nb_read_frames"], "30");
}

TEST_F(EncodeProgram, TransparencyShowsOpaqueBlackEvenInARecycledBuffer) {
  // The third picture lands in the buffer that held the first.
  writeStill(dir() / "clear.png", {255, 0, 0, 0});
  writeIndex(R"([["red.png", 0], ["green.png", 0.5], ["clear.png", 1]])");
  encodeSmall("1.5", out());
  auto frames = decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 45u);
  expectFrame(frames, 14, kRed);
  expectFrame(frames, 29, kGreen);
  expectFrame(frames, 30, kBlack);
  expectFrame(frames, 44, kBlack);
}

TEST_F(EncodeProgram, ReplacesAnOldFileAndWritesMpeg4UnderAnyExtension) {
  writeIndex(R"([["red.png", 0]])");
  const fs::path mov = folder.path() / "clip.mov";
  std::ofstream(mov) << "old and longer than nothing";
  encodeSmall("0.5", mov);
  auto probe = probeVideo(mov);
  EXPECT_EQ(probe["format"]["tags"]["major_brand"], "isom");
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "15");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"clip.mov", "frames"}));
}

TEST_F(EncodeProgram, AFrameSizeTheEncoderCannotTakeFailsAndKeepsTheOldFile) {
  writeIndex(R"([["red.png", 0]])");
  std::ofstream(out()) << "old";
  const std::vector<std::string> sizes[] = {
      {"65", "64"}, {"64", "0"}, {"-64", "64"}, {"20000", "64"}};
  for (const auto& size : sizes) {
    auto outcome = runEncode({dir(), out(), "1", size[0], size[1]});
    EXPECT_EQ(outcome.out.rfind("failed frame size", 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.out.back(), '\n');
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "");
  }
  EXPECT_EQ(testing::readText(out()), "old");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"frames", "out.mp4"}));
}

TEST_F(EncodeProgram, AnOutputFolderThatIsMissingFails) {
  writeIndex(R"([["red.png", 0]])");
  auto outcome = runEncode({dir(), folder.path() / "nowhere" / "out.mp4", "1", "64", "64"});
  EXPECT_EQ(outcome.out.rfind("failed ", 0), 0u) << outcome.out;
  EXPECT_EQ(outcome.status, 1);
}

// Only regular files are read: an index or a picture that is a named pipe
// or a device is as good as missing, and never holds the run.
TEST_F(EncodeProgram, OnlyRegularFilesAreRead) {
  ASSERT_EQ(::mkfifo((dir() / "pipe.png").c_str(), 0600), 0);
  std::string names = R"(["pipe.png", 0])";
  if (vell::testing::makeDevice(dir() / "zero.png", vell::testing::Device::zero))
    names += R"(, ["zero.png", 0.2])";
  writeIndex("[" + names + R"(, ["red.png", 0.4], ["pipe.png", 0.6]])");
  encodeSmall("1", out());
  auto frames = vell::testing::decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 18u);  // nothing before the first picture that loads
  expectFrame(frames, 17, kRed);

  fs::remove(dir() / "index.json");
  ASSERT_EQ(::mkfifo((dir() / "index.json").c_str(), 0600), 0);
  auto outcome = runEncode({dir(), out(), "1", "64", "64"});
  EXPECT_EQ(outcome.out, "no frames\n");
  EXPECT_EQ(outcome.status, 1);
}

// A device or a named pipe at the output path fails the writer and stays.
TEST_F(EncodeProgram, OutputsThatAreNotFilesAreLeftAlone) {
  writeIndex(R"([["red.png", 0]])");
  for (const auto& special : vell::testing::nonRegularFiles(folder.path())) {
    if (special.kind == vell::testing::FileKind::socket)
      continue;
    SCOPED_TRACE(special.what);
    auto outcome = runEncode({dir(), special.path, "0.5", "64", "64", "200000"});
    EXPECT_EQ(outcome.out.rfind("failed ", 0), 0u) << outcome.out;
    EXPECT_NE(outcome.out.find("not a regular file"), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(vell::testing::kindOf(special.path), special.kind);
  }
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// Ended by a signal while it writes (stopped by its parent, its terminal
// closed, a quit key, a reader gone), the run leaves nothing behind beside
// the output.
TEST_F(EncodeProgram, EndedBySignalItLeavesNoTemporaryFile) {
  writeIndex(R"([["red.png", 0], ["green.png", 30]])");
  // SIGQUIT would leave a core file.
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE}) {
    SCOPED_TRACE(signal);
    const pid_t child =
        spawnProcess(programPath("vell-encode"), {dir(), out(), "60", "640", "480", "4000000"});
    auto writing = [&] {
      for (const auto& name : folder.entries())
        if (name.ends_with(".tmp"))
          return true;
      return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!writing() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(writing());
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"frames"});
  }
}

// A video written but an "ok" that cannot reach the parent is no success.
TEST_F(EncodeProgram, AnOkThatCannotBeWrittenIsAFailure) {
  writeIndex(R"([["red.png", 0]])");
  for (Output output : {Output::full, Output::closed})
    EXPECT_EQ(runToEnd(programPath("vell-encode"),
                       {dir().string(), out().string(), "1", "64", "64", "200000"}, output),
              3);
}

TEST_F(EncodeProgram, UnreadableNumbersFallBackToTheirDefaults) {
  writeIndex(R"([["red.png", 0]])");
  // A length of "abc" is 22 seconds.
  encodeSmall("abc", out());
  auto probe = probeVideo(out());
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "660");
  EXPECT_EQ(probe["stream"]["duration"], "22.000000");

  // A width of "abc" is 1080; the height and rate left out are 1920 and
  // 10 Mbit/s.
  auto outcome = runEncode({dir(), out(), "0.1", "abc"});
  ASSERT_EQ(outcome.out, "ok\n");
  probe = probeVideo(out());
  EXPECT_EQ(probe["stream"]["width"], 1080);
  EXPECT_EQ(probe["stream"]["height"], 1920);
  EXPECT_EQ(probe["stream"]["nb_read_frames"], "3");
}

TEST_F(EncodeProgram, ALengthOfZeroGivesAnEmptyVideo) {
  writeIndex(R"([["red.png", 0]])");
  auto outcome = runEncode({dir(), out(), "0", "64", "64"});
  EXPECT_EQ(outcome.out, "ok\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  // A complete MPEG-4 file that a reader opens, holding nothing to show.
  auto format = nlohmann::json::parse(vell::testing::commandOutput(
      "ffprobe -v error -show_entries format=duration:format_tags=major_brand -of json " +
      vell::testing::quoted(out().string())))["format"];
  EXPECT_EQ(format["duration"], "0.000000");
  EXPECT_EQ(format["tags"]["major_brand"], "isom");
}

TEST_F(EncodeProgram, PicturesOutsideTheFolderAreOnlyRead) {
  writeStill(folder.path() / "outside.png", {0, 0, 255, 255});
  writeIndex(R"([["../outside.png", 0], [")" + (folder.path() / "frames" / "red.png").string() +
             R"(", 0.5]])");
  encodeSmall("1", out());
  auto frames = decodeFrames(out(), 64, 64);
  ASSERT_EQ(frames.size(), 30u);
  expectFrame(frames, 14, kBlue);
  expectFrame(frames, 15, kRed);
}

}  // namespace
}  // namespace vell::encode
