#include "platform/vision/attention_cues.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace vell::platform::vision {
namespace {

constexpr int W = 256, H = 160, GW = 64, GH = 40;

struct Area {
  double left, top, right, bottom;  // picture units, top-left origin
  bool holds(double x, double y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Bitmap plain(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  Bitmap bitmap{W, H, std::vector<std::uint8_t>(size_t(W) * H * 4)};
  for (size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    bitmap.rgba[i] = r;
    bitmap.rgba[i + 1] = g;
    bitmap.rgba[i + 2] = b;
    bitmap.rgba[i + 3] = 255;
  }
  return bitmap;
}

// Grey texture of strong fine detail inside `sharp`, the same texture
// averaged over 9 x 9 pixels (out of focus) everywhere else.
Bitmap sharpPatchOnBlur(const Area& sharp) {
  std::mt19937 random(7);
  std::vector<float> texture(size_t(W) * H);
  for (float& value : texture)
    value = static_cast<float>(random() % 200 + 28);
  Bitmap bitmap = plain(0, 0, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float value = texture[size_t(y) * W + x];
      if (!sharp.holds((x + 0.5) / W, (y + 0.5) / H)) {
        float sum = 0;
        int n = 0;
        for (int dy = -4; dy <= 4; ++dy)
          for (int dx = -4; dx <= 4; ++dx) {
            int sx = std::clamp(x + dx, 0, W - 1), sy = std::clamp(y + dy, 0, H - 1);
            sum += texture[size_t(sy) * W + sx];
            ++n;
          }
        value = sum / n;
      }
      std::uint8_t v = static_cast<std::uint8_t>(value);
      std::fill_n(bitmap.pixel(x, y), 3, v);
    }
  return bitmap;
}

// Mean of the cells of `grid` inside and outside `area`.
std::pair<double, double> meansInAndOut(const HeatGrid& grid, const Area& area) {
  double in = 0, out = 0;
  int nIn = 0, nOut = 0;
  for (int r = 0; r < grid.height; ++r)
    for (int c = 0; c < grid.width; ++c) {
      double v = grid.values[size_t(r) * grid.width + c];
      if (area.holds((c + 0.5) / grid.width, (r + 0.5) / grid.height)) {
        in += v;
        ++nIn;
      } else {
        out += v;
        ++nOut;
      }
    }
  return {nIn ? in / nIn : 0, nOut ? out / nOut : 0};
}

std::pair<double, double> peakAt(const HeatGrid& grid) {
  auto peak = std::max_element(grid.values.begin(), grid.values.end()) - grid.values.begin();
  return {(peak % grid.width + 0.5) / grid.width, (peak / grid.width + 0.5) / grid.height};
}

float peakOf(const HeatGrid& grid) {
  return grid.values.empty() ? 0 : *std::max_element(grid.values.begin(), grid.values.end());
}

TEST(FocusCue, FindsTheSharpPartOfAPictureOtherwiseOutOfFocus) {
  for (const Area& sharp : {Area{0.6, 0.3, 0.8, 0.6}, Area{0.05, 0.1, 0.3, 0.4}}) {
    HeatGrid focus = focusCue(sharpPatchOnBlur(sharp), GW, GH);
    ASSERT_EQ(focus.values.size(), size_t(GW) * GH);
    auto [x, y] = peakAt(focus);
    EXPECT_TRUE(sharp.holds(x, y)) << x << ", " << y;
    auto [in, out] = meansInAndOut(focus, sharp);
    EXPECT_GT(in, 0.5);
    EXPECT_LT(out, 0.1);
  }
}

TEST(FocusCue, SaysNothingWhereNothingOrEverythingIsSharp) {
  EXPECT_EQ(peakOf(focusCue(plain(128, 128, 128), GW, GH)), 0.0f);
  // Sharp all over: no blurred part to set a subject against.
  EXPECT_LT(peakOf(focusCue(sharpPatchOnBlur({0, 0, 1, 1}), GW, GH)), 0.05f);
  EXPECT_EQ(peakOf(focusCue(Bitmap{}, GW, GH)), 0.0f);
}

TEST(ColourCue, FindsAColourThatStandsOutFromItsSurroundings) {
  struct Case {
    double cx, cy;  // the disc's centre
  };
  for (const Case& c : {Case{0.25, 0.7}, Case{0.8, 0.3}}) {
    Bitmap picture = plain(90, 120, 80);  // a dull green field
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (std::hypot((x + 0.5) / W - c.cx, ((y + 0.5) / H - c.cy) * H / W) < 0.06) {
          std::uint8_t* p = picture.pixel(x, y);
          p[0] = 220, p[1] = 40, p[2] = 30;  // a red flower
        }
    HeatGrid colour = colourCue(picture, GW, GH);
    auto [x, y] = peakAt(colour);
    EXPECT_NEAR(x, c.cx, 0.05);
    EXPECT_NEAR(y, c.cy, 0.08);
    auto [in, out] = meansInAndOut(colour, {c.cx - 0.05, c.cy - 0.05, c.cx + 0.05, c.cy + 0.05});
    EXPECT_GT(in, 0.5);
    EXPECT_LT(out, 0.1);
  }
  // One colour all over stands out from nothing, whatever the colour.
  EXPECT_EQ(peakOf(colourCue(plain(128, 128, 128), GW, GH)), 0.0f);
  EXPECT_EQ(peakOf(colourCue(plain(230, 20, 20), GW, GH)), 0.0f);
}

TEST(ForegroundCue, OnlyAConfidentMaskOfASubjectsSize) {
  struct Case {
    const char* what;
    float strength;
    double side;  // of a square blob, share of each side
    bool used;
  };
  for (const Case& c :
       {Case{"confident subject", 0.98f, 0.3, true}, Case{"faint mask", 0.8f, 0.3, false},
        Case{"speck", 0.98f, 0.1, false}, Case{"most of the picture", 0.98f, 0.85, false}}) {
    ForegroundProbability mask{100, 100, std::vector<float>(100 * 100, 0.01f)};
    int n = static_cast<int>(c.side * 100);
    for (int y = 10; y < 10 + n; ++y)
      for (int x = 5; x < 5 + n; ++x)
        mask.values[size_t(y) * 100 + x] = c.strength;
    HeatGrid cue = foregroundCue(mask, 50, 50);
    ASSERT_EQ(cue.values.size(), 2500u) << c.what;
    if (c.used) {
      auto [x, y] = peakAt(cue);
      EXPECT_TRUE(x >= 0.05 && x < 0.05 + c.side && y >= 0.1 && y < 0.1 + c.side) << c.what;
      EXPECT_GT(peakOf(cue), 0.9f) << c.what;
    } else {
      EXPECT_EQ(peakOf(cue), 0.0f) << c.what;
    }
  }
  EXPECT_EQ(peakOf(foregroundCue({4, 4, {1.0f}}, 10, 10)), 0.0f);  // wrong size
}

TEST(ObjectCue, LivingThingsCountFullySceneryByHalfAndHugeBoxesNotAtAll) {
  // Lower-left origin: a bird at the top left, a trunk-like thing at the
  // bottom right, and one box over nearly the whole picture.
  std::vector<SeenObject> objects = {{{0.1, 0.6, 0.2, 0.3}, 0.8f, true},
                                     {{0.6, 0.1, 0.3, 0.3}, 0.8f, false},
                                     {{0.0, 0.0, 0.95, 0.95}, 0.9f, true}};
  HeatGrid cue = objectCue(objects, GW, GH);
  auto at = [&](double x, double y) { return cue.values[size_t(y * GH) * GW + size_t(x * GW)]; };
  EXPECT_NEAR(at(0.2, 0.25), 0.8f, 0.02);  // the bird's middle (top-left origin)
  EXPECT_NEAR(at(0.75, 0.75), 0.4f, 0.02);
  EXPECT_LT(at(0.5, 0.5), 0.05f);  // between them: the huge box adds nothing
  EXPECT_EQ(peakOf(objectCue({}, GW, GH)), 0.0f);
}

TEST(MixCues, WeightedSumScaledToOneOrNothingBelowTheFloor) {
  auto constant = [](float value) {
    return HeatGrid{GW, GH, std::vector<float>(size_t(GW) * GH, value)};
  };
  auto blobAt = [](int column, int row, float value) {
    HeatGrid grid{GW, GH, std::vector<float>(size_t(GW) * GH, 0.0f)};
    grid.values[size_t(row) * GW + column] = value;
    return grid;
  };
  Cues cues;
  cues.focus = blobAt(10, 10, 0.6f);
  cues.colour = blobAt(50, 30, 0.6f);
  CueWeights weights{1.0f, 0.5f, 0, 0, 0, 0};  // focus, colour
  HeatGrid heat = mixCues(cues, weights, GW, GH);
  EXPECT_FLOAT_EQ(heat.values[10 * GW + 10], 1.0f);  // focus weighs more
  EXPECT_FLOAT_EQ(heat.values[30 * GW + 50], 0.5f);
  EXPECT_FLOAT_EQ(heat.values[0], 0.0f);

  // The centre prior pulls equal cues towards the middle.
  cues.focus = constant(0.5f);
  cues.colour = {};
  heat = mixCues(cues, {1.0f, 0, 0, 0, 0, 0.5f}, GW, GH);  // focus, centre
  auto [x, y] = peakAt(heat);
  EXPECT_NEAR(x, 0.5, 0.03);
  EXPECT_NEAR(y, 0.5, 0.03);
  // A corner: (0.5 + 0.5 x 0.141) / (0.5 + 0.5 x 0.999) of the middle.
  EXPECT_NEAR(heat.values[0], 0.571f, 0.005f);

  // Faint everywhere (below the floor), or no cue at all: no heat.
  cues.focus = constant(heatFloor * 0.5f);
  EXPECT_EQ(peakOf(mixCues(cues, {1.0f, 0, 0, 0, 0, 0.3f}, GW, GH)), 0.0f);
  EXPECT_EQ(peakOf(mixCues(Cues{}, {1.0f, 0, 0, 0, 0, 0}, GW, GH)), 0.0f);
}

}  // namespace
}  // namespace vell::platform::vision
