#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/nonregular_files.hpp"
#include "common/run_process.hpp"
#include "common/test_folder.hpp"
#include "platform/image/hostile_pictures.hpp"
#include "platform/image/image.hpp"

namespace vell::cover {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string usage =
    "usage: vell-cover in out.jpg [--size 2400x1500] [--quality 0.9] [--max-bytes 1100000] "
    "[--sharpen 0.3] [--focus x,y,w,h] [--zoom 1.35] [--blur x,y,w,h] [--analyze] "
    "[--debug out.png]\n";

ProcessResult cover(const std::vector<std::string>& args,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(0)) {
  return runProcess(programPath("vell-cover"), args, "", limit);
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string sample(const std::string& name) {
  const char* samples = std::getenv("SAMPLES");
  return samples ? std::string(samples) + "/" + name : name;
}

// A small photo-like PNG: a bright disc on a dark, slightly noisy ground.
std::string smallPhoto(const TestFolder& folder, int width, int height) {
  platform::Bitmap bitmap{width, height, std::vector<std::uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.pixel(x, y);
      double d = std::hypot(x - width * 0.7, y - height * 0.4);
      std::uint8_t v =
          d < height * 0.15 ? 230 : static_cast<std::uint8_t>(30 + (x * 7 + y * 13) % 20);
      p[0] = v;
      p[1] = static_cast<std::uint8_t>(v * 0.8);
      p[2] = static_cast<std::uint8_t>(v * 0.5);
      p[3] = 255;
    }
  auto png = platform::encodePng(bitmap);
  std::string path = (folder.path() / "small.png").string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  return path;
}

TEST(CoverProgram, UsageNeedsInputAndOutput) {
  for (std::vector<std::string> args : {std::vector<std::string>{},
                                        {"in.jpg"},
                                        {"in.jpg", "--focus", "--analyze"},
                                        {"--analyze"}}) {
    ProcessResult result = cover(args);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(result.err, usage);
    EXPECT_EQ(result.out, "");
  }
}

TEST(CoverProgram, UnreadableInputs) {
  TestFolder folder;
  std::ofstream(folder.path() / "text.jpg") << "no picture here";
  std::vector<std::string> inputs = {(folder.path() / "missing.jpg").string(),
                                     (folder.path() / "text.jpg").string(), folder.path().string()};
  for (std::string name : {"derived/bee-truncated.jpg", "derived/bomb-20000x20000.png"})
    if (fs::exists(sample(name)))
      inputs.push_back(sample(name));
  for (const std::string& input : inputs) {
    std::string out = (folder.path() / "out.jpg").string();
    ProcessResult result = cover({input, out});
    EXPECT_EQ(result.status, 3) << input;
    EXPECT_EQ(result.err, "unreadable\n") << input;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(out));
  }
}

// A JPEG thinner than the decoder's shrink factor once aborted the program;
// drawings and a JPEG promising more pixels than it holds are unreadable.
TEST(CoverProgram, HostilePicturesEndCleanly) {
  TestFolder folder;
  const std::string out = (folder.path() / "out.jpg").string();
  for (const auto& picture : platform::testing::hostilePictures(folder.path())) {
    SCOPED_TRACE(picture.name);
    ProcessResult result =
        cover({picture.path.string(), out, "--size", "240x150"}, std::chrono::seconds(120));
    ASSERT_FALSE(result.timedOut);
    if (picture.unreadable || result.status != 0) {
      EXPECT_EQ(result.status, 3);
      EXPECT_EQ(result.err, "unreadable\n");
    } else {
      EXPECT_EQ(result.err, "");
      EXPECT_EQ(json::parse(result.out)["out"], json::array({240, 150}));
    }
  }
}

// The photo is never replaced by its cover or by the debug picture, however
// the output is named.
TEST(CoverProgram, TheOutputIsNeverThePhoto) {
  TestFolder folder;
  const std::string input = smallPhoto(folder, 600, 400);
  const std::string before = slurp(input);
  fs::create_hard_link(input, folder.path() / "same.png");
  const std::string dotted = (folder.path() / "." / "small.png").string();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {input, input},
           {input, dotted},
           {input, (folder.path() / "same.png").string()},
           {input, "--analyze", "--debug", dotted},
           {input, (folder.path() / "cover.jpg").string(), "--debug", input}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    ProcessResult result = cover(args);
    EXPECT_EQ(result.status, 6);
    EXPECT_EQ(result.err, "the output is the input photo itself\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(slurp(input), before);
  }
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"same.png", "small.png"}));
  // Analysing only writes nothing at the second path, which may be anything.
  EXPECT_EQ(cover({input, input, "--analyze"}).status, 0);
}

TEST(CoverProgram, AnalysisOnlyReportsTheCropAndWritesNothing) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  std::string second = (folder.path() / "ignored.jpg").string();
  ProcessResult result = cover(
      {input, second, "--analyze", "--focus", "0.4,0.4,0.2,0.2", "--size", "480x300", "third"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  ASSERT_FALSE(result.out.empty());
  EXPECT_EQ(result.out.back(), '\n');
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1);
  json report = json::parse(result.out);
  EXPECT_EQ(report["size"], json::array({600, 400}));
  EXPECT_EQ(report["from"], "given");
  EXPECT_EQ(report["eye"], json::array({0.5, 0.5}));
  EXPECT_EQ(report["subject"], json::array({0.4, 0.4, 0.2, 0.2}));
  EXPECT_EQ(report["zoom"], 1.35);
  EXPECT_EQ(report["up"], 1.08);
  EXPECT_EQ(report["crop"], json::array({0.13, 0.153, 0.741, 0.694}));
  for (std::string member : {"bytes", "quality", "out"})
    EXPECT_FALSE(report.contains(member)) << member;
  // Members come sorted by name.
  std::vector<std::string> names;
  for (const auto& [name, value] : report.items())
    names.push_back(name);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"small.png"});
}

TEST(CoverProgram, WritesAnExactSizeJpegWithinBudget) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  std::string out = (folder.path() / "cover.jpg").string();
  std::ofstream(out) << "old cover";
  ProcessResult result = cover({"--size", "480x300", input, out});
  ASSERT_EQ(result.status, 0) << result.err;
  json report = json::parse(result.out);
  EXPECT_EQ(report["out"], json::array({480, 300}));
  EXPECT_EQ(report["quality"], 0.9);
  EXPECT_EQ(report["bytes"], fs::file_size(out));
  Result<platform::DecodedImage> written = platform::decode(out);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->bitmap.width, 480);
  EXPECT_EQ(written->bitmap.height, 300);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"cover.jpg", "small.png"}));
}

TEST(CoverProgram, BudgetSteersTheQuality) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  struct Case {
    std::vector<std::string> options;
    double quality;
  } cases[] = {
      {{"--max-bytes", "0"}, 0.8},
      {{"--max-bytes", "-1"}, 0.8},
      {{"--quality", "0.5", "--max-bytes", "0"}, 0.5},
      {{"--quality", "abc"}, 0.9},
      // Qualities the encoder cannot use: the search starts at 1 (or 0), and
      // the report, always printed, says what was written.
      {{"--quality", "inf"}, 1},
      {{"--quality", "inf", "--max-bytes", "0"}, 0.8},
      {{"--quality", "1e308", "--max-bytes", "0"}, 0.8},
      {{"--quality", "99999999999999999999", "--max-bytes", "0"}, 0.8},
      {{"--quality", "0x10", "--max-bytes", "0"}, 0.8},
      {{"--quality", "-inf", "--max-bytes", "0"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    const fs::path out = folder.path() / "out.jpg";
    fs::remove(out);
    std::vector<std::string> args = {input, out.string(), "--size", "480x300"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ProcessResult result = cover(args, std::chrono::seconds(60));
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_FALSE(result.out.empty());
    json report = json::parse(result.out);
    EXPECT_EQ(report["bytes"], fs::file_size(out));
    EXPECT_EQ(report["quality"], c.quality) << ::testing::PrintToString(c.options);
    EXPECT_GT(report["bytes"].get<std::int64_t>(), 0);
  }
}

TEST(CoverProgram, HugeOutputSizeFailsCleanly) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  std::string out = (folder.path() / "out.jpg").string();
  ProcessResult result = cover({input, out, "--size", "100000x100000"});
  EXPECT_EQ(result.status, 4);
  EXPECT_EQ(result.err, "scale failed\n");
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(fs::exists(out));
  // Analysis alone never scales, so it is fine with any size.
  result = cover({input, "--analyze", "--size", "100000x100000"});
  EXPECT_EQ(result.status, 0);
}

TEST(CoverProgram, UnwritableOutputKeepsWhatWasThere) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  ProcessResult result = cover({input, (folder.path() / "absent" / "out.jpg").string()});
  EXPECT_EQ(result.status, 6);
  EXPECT_NE(result.err.find("No such file or directory"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.back(), '\n');
  EXPECT_EQ(result.out, "");

  fs::create_directory(folder.path() / "taken");
  result = cover({input, (folder.path() / "taken").string()});
  EXPECT_EQ(result.status, 6);
  EXPECT_TRUE(fs::is_directory(folder.path() / "taken"));
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"small.png", "taken"}));
}

// Only a regular file is read as a photo: a named pipe would hold the open
// (and be opened twice), a device would never end.
TEST(CoverProgram, OnlyRegularFilesAreReadAsPhotos) {
  TestFolder folder;
  std::vector<fs::path> inputs;
  for (const auto& special : testing::nonRegularFiles(folder.path()))
    inputs.push_back(special.path);
  if (testing::makeDevice(folder.path() / "zero", testing::Device::zero))
    inputs.push_back(folder.path() / "zero");
  const std::string out = (folder.path() / "out.jpg").string();
  for (const auto& input : inputs) {
    ProcessResult result = cover({input.string(), out}, std::chrono::seconds(60));
    EXPECT_FALSE(result.timedOut) << input;
    EXPECT_EQ(result.status, 3) << input;
    EXPECT_EQ(result.err, "unreadable\n") << input;
  }
  EXPECT_FALSE(fs::exists(out));
}

// A device or a named pipe at the output path is a write failure, and stays.
TEST(CoverProgram, OutputsThatAreNotFilesAreLeftAlone) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  for (const auto& special : testing::nonRegularFiles(folder.path())) {
    if (special.kind == testing::FileKind::folder || special.kind == testing::FileKind::socket)
      continue;
    SCOPED_TRACE(special.what);
    ProcessResult result = cover({input, special.path.string()}, std::chrono::seconds(60));
    EXPECT_EQ(result.status, 6);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(testing::kindOf(special.path), special.kind);
  }
  for (const auto& name : folder.entries())
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(CoverProgram, DebugPictureInBothModes) {
  TestFolder folder;
  std::string input = smallPhoto(folder, 600, 400);
  std::string debug = (folder.path() / "debug.png").string();
  ProcessResult result = cover({input, "--analyze", "--debug", debug, "--blur", "0,0,1,1"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(json::parse(result.out)["size"], json::array({608, 408}));
  Result<platform::DecodedImage> picture = platform::decode(debug);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->bitmap.width, 608);
  EXPECT_EQ(picture->bitmap.height, 408);
  // The crop is stroked in white; the blurred photo has no white of its own.
  int white = 0;
  for (size_t i = 0; i < picture->bitmap.rgba.size(); i += 4)
    white += picture->bitmap.rgba[i] == 255 && picture->bitmap.rgba[i + 1] == 255 &&
             picture->bitmap.rgba[i + 2] == 255;
  EXPECT_GT(white, 1000);

  // "--debug" in last place is a positional argument (an ignored output path
  // when analysing), so no debug picture is drawn.
  fs::remove(debug);
  result = cover({input, "--analyze", "--debug"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_FALSE(fs::exists("--debug"));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"small.png"});

  // A debug path that cannot be written is no failure.
  result = cover({input, (folder.path() / "out.jpg").string(), "--size", "480x300", "--debug",
                  (folder.path() / "absent" / "debug.png").string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.jpg", "small.png"}));
}

}  // namespace
}  // namespace vell::cover
