// vell-cutout on real pictures: subjects of known shape laid over real
// backgrounds at known places must come back with that shape and extent;
// pictures without a subject give "no subject". Each run loads the
// segmentation network, so these tests are labelled slow.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/test_folder.hpp"
#include "cutout/tests/cutout_test_support.hpp"

namespace vell::cutout {
namespace {

using platform::Bitmap;
using testing::cutout;
using testing::load;
using testing::savePng;

struct Extent {
  int left = 0, top = 0, width = 0, height = 0;
};

// A picture with subjects whose pixels are known.
struct Scene {
  Bitmap picture;
  std::vector<bool> truth;  // subject pixels: the laid stamps' alpha >= 0.5
  Extent extent;            // every pixel a stamp touched
};

Scene sceneOver(const Bitmap& background) {
  return {
      background, std::vector<bool>(static_cast<size_t>(background.width) * background.height), {}};
}

// Lays `stamp` (straight alpha) over `scene` with its top-left at (left, top).
void lay(Scene& scene, const Bitmap& stamp, int left, int top) {
  Extent& e = scene.extent;
  bool empty = e.width == 0;
  int right = empty ? 0 : e.left + e.width, bottom = empty ? 0 : e.top + e.height;
  if (empty) {
    e.left = scene.picture.width;
    e.top = scene.picture.height;
  }
  for (int y = 0; y < stamp.height; ++y)
    for (int x = 0; x < stamp.width; ++x) {
      const std::uint8_t* s = stamp.pixel(x, y);
      int tx = left + x, ty = top + y;
      if (s[3] == 0 || tx < 0 || ty < 0 || tx >= scene.picture.width || ty >= scene.picture.height)
        continue;
      std::uint8_t* t = scene.picture.pixel(tx, ty);
      for (int c = 0; c < 3; ++c)
        t[c] = static_cast<std::uint8_t>((s[c] * s[3] + t[c] * (255 - s[3]) + 127) / 255);
      scene.truth[static_cast<size_t>(ty) * scene.picture.width + tx] = s[3] >= 128;
      e.left = std::min(e.left, tx);
      e.top = std::min(e.top, ty);
      right = std::max(right, tx + 1);
      bottom = std::max(bottom, ty + 1);
    }
  e.width = right - e.left;
  e.height = bottom - e.top;
}

// Where `cut` was taken from `picture`: the offset near (`left`, `top`) at
// which its opaque pixels show the picture's own colours.
std::optional<std::pair<int, int>> locate(const Bitmap& cut, const Bitmap& picture, int left,
                                          int top) {
  std::vector<std::pair<int, int>> opaque;
  for (int y = 0; y < cut.height; y += 3)
    for (int x = 0; x < cut.width; x += 3)
      if (cut.pixel(x, y)[3] == 255)
        opaque.emplace_back(x, y);
  for (int dy = -8; dy <= 8; ++dy)
    for (int dx = -8; dx <= 8; ++dx) {
      int ox = left + dx, oy = top + dy;
      if (ox < 0 || oy < 0 || ox + cut.width > picture.width || oy + cut.height > picture.height)
        continue;
      bool all = !opaque.empty();
      for (auto [x, y] : opaque) {
        const std::uint8_t* a = cut.pixel(x, y);
        const std::uint8_t* b = picture.pixel(ox + x, oy + y);
        if (std::abs(a[0] - b[0]) > 2 || std::abs(a[1] - b[1]) > 2 || std::abs(a[2] - b[2]) > 2) {
          all = false;
          break;
        }
      }
      if (all)
        return std::pair{ox, oy};
    }
  return std::nullopt;
}

double intersectionOverUnion(const Bitmap& cut, int left, int top, const Scene& scene) {
  size_t both = 0, either = 0;
  for (int y = 0; y < scene.picture.height; ++y)
    for (int x = 0; x < scene.picture.width; ++x) {
      int cx = x - left, cy = y - top;
      bool found =
          cx >= 0 && cy >= 0 && cx < cut.width && cy < cut.height && cut.pixel(cx, cy)[3] >= 128;
      bool truth = scene.truth[static_cast<size_t>(y) * scene.picture.width + x];
      both += found && truth;
      either += found || truth;
    }
  return either ? static_cast<double>(both) / either : 0;
}

// Every pixel outside the subject fully transparent and colourless, and
// something visible on each border row and column (a tight crop).
void expectCleanCrop(const Bitmap& cut, const std::string& name) {
  ASSERT_FALSE(cut.empty()) << name;
  std::vector<bool> rows(cut.height), columns(cut.width);
  size_t clear = 0;
  for (int y = 0; y < cut.height; ++y)
    for (int x = 0; x < cut.width; ++x) {
      const std::uint8_t* p = cut.pixel(x, y);
      if (p[3] == 0) {
        ++clear;
        EXPECT_EQ(p[0] | p[1] | p[2], 0) << name << " " << x << "," << y;
        continue;
      }
      rows[y] = columns[x] = true;
    }
  EXPECT_TRUE(rows.front() && rows.back() && columns.front() && columns.back()) << name;
  EXPECT_GT(clear, 0u) << name;
}

class CutoutQuality : public ::testing::Test {
 protected:
  static void TearDownTestSuite() {
    delete stamps_;
    stamps_ = nullptr;
  }
  // A subject cut out of a real photo by the program itself: its alpha is
  // the known shape once laid elsewhere. Made on first use.
  static Bitmap stamp(const std::string& name) {
    if (!stamps_)
      stamps_ = new TestFolder;
    auto out = stamps_->path() / (name + ".png");
    if (!std::filesystem::exists(out)) {
      ProcessResult result = cutout({testing::samplePicture(name), out.string()});
      EXPECT_EQ(result.status, 0) << name << ": " << result.err;
    }
    return load(out.string());
  }

  // Runs the program on `scene` and checks the cut-out against it.
  void expectFound(const Scene& scene, const std::string& name) {
    TestFolder folder;
    auto input = folder.path() / "scene.png";
    auto output = folder.path() / "cut.png";
    savePng(scene.picture, input);
    ProcessResult result = cutout({input.string(), output.string()});
    ASSERT_EQ(result.status, 0) << name << ": " << result.err;
    EXPECT_EQ(result.out + result.err, "") << name;
    Bitmap cut = load(output.string());
    expectCleanCrop(cut, name);
    auto where = locate(cut, scene.picture, scene.extent.left, scene.extent.top);
    ASSERT_TRUE(where) << name << ": the cut-out is not a piece of the picture near the subject";
    auto [left, top] = *where;
    double iou = intersectionOverUnion(cut, left, top, scene);
    std::printf("%s: IoU %.3f, extent %d,%d %dx%d (laid %d,%d %dx%d)\n", name.c_str(), iou, left,
                top, cut.width, cut.height, scene.extent.left, scene.extent.top, scene.extent.width,
                scene.extent.height);
    EXPECT_GE(iou, 0.9) << name;
    const int slack = 5;  // pixels: "a few"
    EXPECT_NEAR(left, scene.extent.left, slack) << name;
    EXPECT_NEAR(top, scene.extent.top, slack) << name;
    EXPECT_NEAR(left + cut.width, scene.extent.left + scene.extent.width, slack) << name;
    EXPECT_NEAR(top + cut.height, scene.extent.top + scene.extent.height, slack) << name;
  }

  static TestFolder* stamps_;
};

TestFolder* CutoutQuality::stamps_ = nullptr;

TEST_F(CutoutQuality, SubjectsLaidOverRealBackgroundsComeBackWhole) {
  Bitmap astronaut = stamp("astronaut.png");
  Bitmap dog = stamp("donna.jpg");
  Bitmap wall = load(testing::derivedPicture("wall.jpg"));
  // The woods left of the dog, enlarged and out of focus as behind a
  // portrait (sharp twigs touching a subject would join it).
  auto woods = platform::crop(load(testing::samplePicture("donna.jpg")), {0, 0, 300, 532});
  ASSERT_TRUE(woods);
  auto enlarged = platform::scaleLanczos(*woods, 600, 1064);
  ASSERT_TRUE(enlarged);
  auto forest = platform::blurRegion(*enlarged, {0, 0, 600, 1064}, 3.0);
  ASSERT_TRUE(forest);

  // The astronaut's photo cuts her off at the waist: she stands on the
  // bottom edge, as there, not floating.
  Scene onWall = sceneOver(wall);
  lay(onWall, astronaut, 610, wall.height - astronaut.height);
  expectFound(onWall, "astronaut on the wall");

  Scene inForest = sceneOver(*forest);
  lay(inForest, astronaut, 60, forest->height - astronaut.height);
  expectFound(inForest, "astronaut in the woods");

  Scene dogInForest = sceneOver(*forest);
  lay(dogInForest, dog, 380, 520);
  expectFound(dogInForest, "dog in the woods");

  Scene dogOnWall = sceneOver(wall);
  lay(dogOnWall, dog, 200, 350);
  expectFound(dogOnWall, "dog on the wall");
}

TEST_F(CutoutQuality, SeveralSubjectsGoIntoOnePictureCroppedToAll) {
  auto astronaut = platform::scaleLanczos(stamp("astronaut.png"), 250, 250 * 497 / 494);
  ASSERT_TRUE(astronaut);
  Bitmap dog = stamp("donna.jpg");
  Scene scene = sceneOver(load(testing::derivedPicture("wall.jpg")));
  lay(scene, *astronaut, 80, scene.picture.height - astronaut->height);
  lay(scene, dog, 800, 120);
  expectFound(scene, "astronaut and dog apart");
}

TEST_F(CutoutQuality, SamplePhotosAreCutClean) {
  struct Case {
    const char* name;
    double minWidthShare;  // of the picture's width the subjects span
  };
  TestFolder folder;
  for (const Case& c : std::vector<Case>{
           {"astronaut.png", 0.7},
           {"chelsea.png", 0.7},
           {"qt-logo.jpg", 0.9},  // three men side by side
           {"european-honey-bee.jpg", 0.5},
       }) {
    auto out = folder.path() / (std::string(c.name) + ".png");
    ProcessResult result = cutout({testing::samplePicture(c.name), out.string()});
    ASSERT_EQ(result.status, 0) << c.name << ": " << result.err;
    EXPECT_EQ(result.out + result.err, "") << c.name;
    Bitmap input = load(testing::samplePicture(c.name));
    Bitmap cut = load(out.string());
    EXPECT_LE(cut.width, input.width);
    EXPECT_LE(cut.height, input.height);
    EXPECT_GE(cut.width, input.width * c.minWidthShare) << c.name;
    if (std::string(c.name) != "chelsea.png")  // the cat fills the frame
      expectCleanCrop(cut, c.name);
  }
}

TEST_F(CutoutQuality, NoSubjectInPlainSkyOrWall) {
  TestFolder folder;
  auto out = folder.path() / "out.png";
  for (const char* name : {"sky.jpg", "wall.jpg"}) {
    ProcessResult result = cutout({testing::derivedPicture(name), out.string()});
    EXPECT_EQ(result.status, 4) << name;
    EXPECT_EQ(result.err, "no subject\n") << name;
    EXPECT_EQ(result.out, "") << name;
  }
  EXPECT_TRUE(folder.entries().empty());
  // A file already at the output path stays as it was.
  std::ofstream(out) << "earlier";
  EXPECT_EQ(cutout({testing::derivedPicture("sky.jpg"), out.string()}).status, 4);
  EXPECT_EQ(testing::readFile(out), "earlier");
}

TEST_F(CutoutQuality, WritesAtomicallyOrReportsTheWriteError) {
  TestFolder folder;
  auto out = folder.path() / "out.png";
  std::ofstream(out) << "earlier";
  ProcessResult written = cutout({testing::samplePicture("chelsea.png"), out.string()});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.png"});  // no temporary left
  EXPECT_FALSE(load(out.string()).empty());

  ProcessResult failed = cutout(
      {testing::samplePicture("chelsea.png"), (folder.path() / "missing" / "out.png").string()});
  EXPECT_EQ(failed.status, 5);
  EXPECT_EQ(failed.out, "");
  ASSERT_FALSE(failed.err.empty());
  EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
  EXPECT_EQ(failed.err.back(), '\n');
  EXPECT_NE(failed.err.find("missing"), std::string::npos) << failed.err;
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.png"});
}

TEST_F(CutoutQuality, PhotosTakenSidewaysAreCutUpright) {
  TestFolder folder;
  auto stored = folder.path() / "stored.png";
  auto turned = folder.path() / "turned.png";
  ASSERT_EQ(cutout({testing::samplePicture("european-honey-bee.jpg"), stored.string()}).status, 0);
  ASSERT_EQ(cutout({testing::derivedPicture("bee-orientation-6.jpg"), turned.string()}).status, 0);
  Bitmap a = load(stored.string()), b = load(turned.string());
  // The bee on its flower is wider than high as stored, and stands on its
  // side once turned upright.
  EXPECT_GT(a.width, a.height * 1.2);
  EXPECT_GT(b.height, b.width * 1.2) << b.width << "x" << b.height;
}

}  // namespace
}  // namespace vell::cutout
