// vell-cover on real photos: people, a group, animals, landscapes, pictures
// stored sideways, with transparency, and in other formats.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/run_process.hpp"
#include "common/test_folder.hpp"
#include "platform/image/image.hpp"

namespace vell::cover {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string sample(const std::string& name) {
  const char* samples = std::getenv("SAMPLES");
  return samples ? std::string(samples) + "/" + name : name;
}

ProcessResult cover(const std::vector<std::string>& args) {
  return runProcess(programPath("vell-cover"), args);
}

struct Photo {
  std::string name;
  int width, height;  // upright
};

void PrintTo(const Photo& photo, std::ostream* out) {
  *out << photo.name;
}

class CoverOfPhoto : public ::testing::TestWithParam<Photo> {};

TEST_P(CoverOfPhoto, IsExactSizeWithinBudgetAndKeepsTheSubject) {
  const Photo& photo = GetParam();
  std::string input = sample(photo.name);
  if (!fs::exists(input))
    GTEST_SKIP() << input << " missing; run scripts/samples.sh";
  TestFolder folder;
  std::string out = (folder.path() / "cover.jpg").string();
  ProcessResult result = cover({input, out});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  json report = json::parse(result.out);

  EXPECT_EQ(report["size"], json::array({photo.width, photo.height}));
  EXPECT_EQ(report["out"], json::array({2400, 1500}));
  const auto bytes = report["bytes"].get<std::int64_t>();
  EXPECT_EQ(bytes, static_cast<std::int64_t>(fs::file_size(out)));
  EXPECT_TRUE(bytes <= 1100000 || report["quality"] == 0.8) << bytes;
  Result<platform::DecodedImage> written = platform::decode(out);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->bitmap.width, 2400);
  EXPECT_EQ(written->bitmap.height, 1500);

  // The crop has the output's shape (in pixels), lies inside the photo and
  // zooms within the limits.
  const json& crop = report["crop"];
  const double x = crop[0], y = crop[1], w = crop[2], h = crop[3];
  EXPECT_NEAR(w * photo.width / (h * photo.height), 1.6, 0.02);
  EXPECT_GE(x, 0);
  EXPECT_GE(y, 0);
  EXPECT_LE(x + w, 1.0011);
  EXPECT_LE(y + h, 1.0011);  // both rounded up by up to 0.0005
  EXPECT_GE(report["zoom"].get<double>(), 1);
  EXPECT_LE(report["zoom"].get<double>(), 1.35);

  // The subject's centre is in the crop unless the subject is bigger than
  // the crop, when the crop holds the hottest part instead.
  const json& subject = report["subject"];
  const double sx = subject[0].get<double>() + subject[2].get<double>() / 2;
  const double sy = subject[1].get<double>() + subject[3].get<double>() / 2;
  if (subject[2].get<double>() <= w && subject[3].get<double>() <= h) {
    EXPECT_GE(sx, x - 0.001);
    EXPECT_LE(sx, x + w + 0.001);
    EXPECT_GE(sy, y - 0.001);
    EXPECT_LE(sy, y + h + 0.001);
  }
  EXPECT_GE(report["fit"].get<double>(), 0.5) << result.out;
  std::printf("%s: %s", photo.name.c_str(), result.out.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Samples, CoverOfPhoto,
    ::testing::Values(Photo{"pictures/jesper.jpg", 800, 533},       // portrait
                      Photo{"pictures/qt-logo.jpg", 800, 542},      // group
                      Photo{"pictures/anne_helene.jpg", 400, 600},  // standing person
                      Photo{"pictures/donna.jpg", 800, 532},        // dog in a forest
                      Photo{"pictures/chelsea.png", 451, 300},      // cat
                      Photo{"pictures/cold_water.jpg", 800, 533},   // beach
                      Photo{"pictures/pool.jpg", 800, 600},         // room with two players
                      Photo{"derived/sky.jpg", 1200, 800},          // nothing in it
                      Photo{"derived/bee-orientation-6.jpg", 1280, 1620},
                      Photo{"derived/bee-orientation-8.jpg", 1280, 1620},
                      Photo{"derived/astronaut-alpha.png", 512, 512},
                      Photo{"derived/bee.heic", 1620, 1280}, Photo{"derived/bee.webp", 1620, 1280}),
    [](const ::testing::TestParamInfo<Photo>& param) {
      std::string name = fs::path(param.param.name).filename().string();
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
          c = '_';
      return name;
    });

// Mean absolute difference of two same-size bitmaps, over RGB.
double difference(const platform::Bitmap& a, const platform::Bitmap& b) {
  double sum = 0;
  for (size_t i = 0; i < a.rgba.size(); ++i)
    if (i % 4 != 3)
      sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
  return sum / (a.rgba.size() * 0.75);
}

// A picture without anything in it draws no attention: the crop falls back
// on the middle instead of calling the whole frame the subject.
TEST(CoverOfPlainPicture, FallsBackOnTheMiddle) {
  for (const char* name : {"derived/sky.jpg", "derived/wall.jpg"}) {
    std::string input = sample(name);
    if (!fs::exists(input))
      GTEST_SKIP() << "samples missing; run scripts/samples.sh";
    ProcessResult result = cover({input, "--analyze", "--size", "600x1500"});
    ASSERT_EQ(result.status, 0) << name << ": " << result.err;
    json report = json::parse(result.out);
    EXPECT_EQ(report["from"], "centre") << name;
    EXPECT_EQ(report["eye"], json::parse("[0.5,0.5]")) << name;
    const json& crop = report["crop"];
    EXPECT_NEAR(crop[0].get<double>() + crop[2].get<double>() / 2, 0.5, 0.001) << name;
  }
}

TEST(CoverOfSidewaysPhoto, IsTurnedUpright) {
  std::string bee = sample("pictures/european-honey-bee.jpg");
  if (!fs::exists(bee))
    GTEST_SKIP() << "samples missing; run scripts/samples.sh";
  Result<platform::DecodedImage> stored = platform::decode(bee);
  ASSERT_TRUE(stored);
  TestFolder folder;
  for (std::uint32_t orientation : {6u, 8u}) {
    std::string input = sample("derived/bee-orientation-" + std::to_string(orientation) + ".jpg");
    std::string out = (folder.path() / "cover.jpg").string();
    // The whole picture as focus, in its own shape: the cover is the upright
    // photo, scaled down.
    ProcessResult result =
        cover({input, out, "--focus", "0,0,1,1", "--size", "128x162", "--sharpen", "0"});
    ASSERT_EQ(result.status, 0) << result.err;
    Result<platform::DecodedImage> written = platform::decode(out);
    ASSERT_TRUE(written);
    Result<platform::Bitmap> expected =
        platform::scaleLanczos(platform::orient(stored->bitmap, orientation), 128, 162);
    ASSERT_TRUE(expected);
    Result<platform::Bitmap> wrong =
        platform::scaleLanczos(platform::orient(stored->bitmap, 14 - orientation), 128, 162);
    ASSERT_TRUE(wrong);
    EXPECT_LT(difference(written->bitmap, *expected), 6) << orientation;
    EXPECT_GT(difference(written->bitmap, *wrong), 20) << orientation;
  }
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Without a debug picture the whole photo is never decoded, only the crop;
// the cover and the report must be the very ones made from the whole photo.
TEST(CoverFromTheCropAlone, IsTheCoverOfTheWholePhoto) {
  struct Case {
    std::string photo;
    std::vector<std::string> options;
  } cases[] = {
      {"derived/bee-12mp.jpg", {}},
      {"pictures/jesper.jpg", {"--size", "3000x1875"}},  // enlarged
      {"pictures/pool.jpg", {"--focus", "0.7,0.1,0.2,0.2", "--size", "600x600"}},
      {"derived/bee-orientation-6.jpg", {}},
      {"derived/astronaut-alpha.png", {}},
      {"derived/bee.heic", {"--sharpen", "0"}},
  };
  TestFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.photo);
    const std::string input = sample(c.photo);
    if (!fs::exists(input))
      GTEST_SKIP() << input << " missing; run scripts/samples.sh";
    const std::string alone = (folder.path() / "alone.jpg").string();
    const std::string whole = (folder.path() / "whole.jpg").string();
    std::vector<std::string> args = {input, alone};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ProcessResult fromCrop = cover(args);
    args[1] = whole;
    args.insert(args.end(), {"--debug", (folder.path() / "debug.png").string()});
    ProcessResult fromWhole = cover(args);
    ASSERT_EQ(fromCrop.status, 0) << fromCrop.err;
    ASSERT_EQ(fromWhole.status, 0) << fromWhole.err;
    EXPECT_EQ(fromCrop.out, fromWhole.out);
    EXPECT_TRUE(fileText(alone) == fileText(whole));
  }
}

TEST(CoverWithBlur, BlurredRegionIsBlurredInTheCover) {
  std::string input = sample("pictures/jesper.jpg");
  if (!fs::exists(input))
    GTEST_SKIP() << "samples missing; run scripts/samples.sh";
  TestFolder folder;
  std::string sharp = (folder.path() / "sharp.jpg").string();
  std::string blurred = (folder.path() / "blurred.jpg").string();
  std::vector<std::string> common = {"--focus", "0,0,1,1", "--size", "400x300"};
  std::vector<std::string> args = {input, sharp};
  args.insert(args.end(), common.begin(), common.end());
  ASSERT_EQ(cover(args).status, 0);
  args[1] = blurred;
  args.insert(args.end(), {"--blur", "0,0,1,1"});
  ProcessResult result = cover(args);
  ASSERT_EQ(result.status, 0) << result.err;
  // Detail shows as differences between neighbouring pixels.
  auto detail = [](const std::string& path) {
    Result<platform::DecodedImage> picture = platform::decode(path);
    EXPECT_TRUE(picture);
    double sum = 0;
    const platform::Bitmap& b = picture->bitmap;
    for (int y = 0; y < b.height; ++y)
      for (int x = 1; x < b.width; ++x)
        sum += std::abs(int(b.pixel(x, y)[1]) - int(b.pixel(x - 1, y)[1]));
    return sum / (b.width * b.height);
  };
  EXPECT_LT(detail(blurred), detail(sharp) / 3);
}

}  // namespace
}  // namespace vell::cover
