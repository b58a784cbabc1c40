// Blur (one region, and many areas at once), crop, scaling, sharpening,
// flattening and the grey grid.

#include <algorithm>
#include <array>
#include <cmath>
#include <vips/vips8>

#include "platform/image/image.hpp"
#include "platform/image/lanczos.hpp"
#include "platform/image/test_support.hpp"

namespace vell::platform {
namespace {

using testing::maxDifference;
using testing::meanDifference;
using testing::mustDecode;
using testing::sample;
using testing::solid;

// Left half dark, right half light: a vertical step edge at x = width / 2.
Bitmap step(int width, int height, std::uint8_t dark, std::uint8_t light) {
  Bitmap bitmap = solid(width, height, dark, dark, dark);
  for (int y = 0; y < height; ++y)
    for (int x = width / 2; x < width; ++x)
      std::fill(bitmap.pixel(x, y), bitmap.pixel(x, y) + 3, light);
  return bitmap;
}

// A patch of the bee photo, for tests that want real texture.
Bitmap beePatch(int width, int height) {
  const Bitmap bee = mustDecode(sample("pictures/european-honey-bee.jpg"));
  Result<Bitmap> patch = crop(bee, {700, 500, width, height});
  return patch ? *patch : Bitmap{};
}

// The reference blur: libvips' Gaussian over the picture extended by
// edge copies, computed in the test directly, at full precision.
Bitmap referenceBlur(const Bitmap& source, PixelRect rect, double sigma) {
  const int margin = static_cast<int>(std::ceil(4 * sigma)) + 2;
  vips::VImage image = vips::VImage::new_from_memory(const_cast<std::uint8_t*>(source.rgba.data()),
                                                     source.rgba.size(), source.width,
                                                     source.height, 4, VIPS_FORMAT_UCHAR);
  // A canvas holding both the picture and the rectangle with its margin.
  const int left = std::min(0, rect.x - margin), top = std::min(0, rect.y - margin);
  const int right = std::max(source.width, rect.x + rect.width + margin);
  const int bottom = std::max(source.height, rect.y + rect.height + margin);
  vips::VImage blurred = image
                             .embed(-left, -top, right - left, bottom - top,
                                    vips::VImage::option()->set("extend", VIPS_EXTEND_COPY))
                             .crop(rect.x - margin - left, rect.y - margin - top,
                                   rect.width + 2 * margin, rect.height + 2 * margin)
                             .cast(VIPS_FORMAT_FLOAT)
                             .gaussblur(sigma, vips::VImage::option()
                                                   ->set("precision", VIPS_PRECISION_FLOAT)
                                                   ->set("min_ampl", 0.001))
                             .crop(margin, margin, rect.width, rect.height)
                             .round(VIPS_OPERATION_ROUND_RINT)
                             .cast(VIPS_FORMAT_UCHAR);
  size_t length = 0;
  void* data = blurred.write_to_memory(&length);
  Bitmap out{rect.width, rect.height, {}};
  out.rgba.assign(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + length);
  g_free(data);
  return out;
}

TEST(BlurRegion, MatchesAGaussianOfTheEdgeExtendedPicture) {
  VELL_NEED_SAMPLE(sample("pictures/european-honey-bee.jpg"));
  const Bitmap source = beePatch(240, 180);
  struct Case {
    PixelRect rect;
    double sigma;
    double meanTolerance;
    int maxTolerance;
  };
  const Case cases[] = {
      {{0, 0, 240, 180}, 2.0, 0.2, 2},      {{60, 40, 50, 30}, 5.0, 0.2, 2},  // inside
      {{-30, -20, 120, 100}, 6.0, 0.2, 2},   // past the top-left corner
      {{-4, -4, 248, 188}, 8.0, 0.2, 2},     // the whole picture grown by 4
      {{-4, -4, 248, 188}, 21.84, 0.6, 3},   // large sigma: the averaged path
      {{150, 100, 200, 150}, 40.0, 0.6, 3},  // past the bottom-right corner
      {{300, -50, 40, 40}, 12.0, 0.6, 3},    // wholly outside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rect.x) + "," + std::to_string(c.rect.y) + " sigma " +
                 std::to_string(c.sigma));
    Result<Bitmap> blurred = blurRegion(source, c.rect, c.sigma);
    ASSERT_TRUE(blurred) << blurred.error().text;
    ASSERT_EQ(blurred->width, c.rect.width);
    ASSERT_EQ(blurred->height, c.rect.height);
    const Bitmap expected = referenceBlur(source, c.rect, c.sigma);
    EXPECT_LE(meanDifference(*blurred, expected), c.meanTolerance);
    EXPECT_LE(maxDifference(*blurred, expected), c.maxTolerance);
  }
}

TEST(BlurRegion, EdgesNeverDarkenFromBeyondThePicture) {
  const Bitmap plain = solid(200, 120, 210, 60, 30);
  for (double sigma : {3.0, 20.0, 90.0}) {
    SCOPED_TRACE(sigma);
    Result<Bitmap> blurred = blurRegion(plain, {-80, -80, 360, 280}, sigma);
    ASSERT_TRUE(blurred) << blurred.error().text;
    EXPECT_LE(maxDifference(*blurred, solid(360, 280, 210, 60, 30)), 1);
  }
}

TEST(BlurRegion, SigmaIsTheStandardDeviationInPixels) {
  // Across a step edge, the blur follows the normal distribution: half way
  // at the edge, 84% one sigma into the light side.
  const Bitmap edge = step(400, 20, 0, 200);
  for (double sigma : {4.0, 12.0, 30.0}) {
    SCOPED_TRACE(sigma);
    Result<Bitmap> blurred = blurRegion(edge, {0, 0, 400, 20}, sigma);
    ASSERT_TRUE(blurred);
    // The pixel whose centre lies `d` from the edge (between 199 and 200),
    // and what the normal distribution says it should hold.
    const auto at = [&](double d) {
      return blurred->pixel(static_cast<int>(200 + d - 0.5), 10)[0];
    };
    const auto expected = [&](double d) { return 100 * (1 + std::erf(d / sigma / std::sqrt(2))); };
    for (double d : {0.5, sigma + 0.5, -sigma + 0.5, 2 * sigma + 0.5})
      EXPECT_NEAR(at(d), expected(d), 2.5) << d;
  }
}

TEST(BlurRegion, TransparentPixelsLendNoColour) {
  // Opaque white beside transparent pixels whose hidden colour is green.
  Bitmap half = solid(100, 40, 0, 255, 0, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 50; x < 100; ++x)
      std::fill(half.pixel(x, y), half.pixel(x, y) + 4, 255);
  Result<Bitmap> blurred = blurRegion(half, {0, 0, 100, 40}, 6.0);
  ASSERT_TRUE(blurred);
  for (int x = 44; x < 60; ++x) {
    const std::uint8_t* p = blurred->pixel(x, 20);
    EXPECT_GE(p[0], 253) << x;  // still white where anything shows
    EXPECT_GE(p[1], 253) << x;
  }
  EXPECT_NEAR(blurred->pixel(50, 20)[3], 128, 8);
}

TEST(BlurRegion, RefusesWhatCannotBeBlurred) {
  const Bitmap plain = solid(10, 10, 1, 2, 3);
  EXPECT_FALSE(blurRegion(plain, {0, 0, 10, 10}, 0));
  EXPECT_FALSE(blurRegion(plain, {0, 0, 10, 10}, -1));
  EXPECT_FALSE(blurRegion(plain, {0, 0, 10, 10}, NAN));
  EXPECT_FALSE(blurRegion(plain, {0, 0, 0, 10}, 2));
  EXPECT_FALSE(blurRegion(plain, {0, 0, 100000, 100000}, 2));
  EXPECT_FALSE(blurRegion(Bitmap{}, {0, 0, 10, 10}, 2));
  EXPECT_FALSE(blurRegion(plain, {0, 0, 10, 10}, 1e300));
}

TEST(BlurRegion, FarAwayRectanglesSeeTheEdgeLikeNearOnes) {
  Bitmap ramp = solid(40, 30, 0, 0, 0);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ramp.pixel(x, y)[0] = static_cast<std::uint8_t>(6 * x),
                    ramp.pixel(x, y)[1] = static_cast<std::uint8_t>(8 * y);
  const std::pair<PixelRect, PixelRect> cases[] = {
      {{-2147483647 - 1, 5, 20, 10}, {-200, 5, 20, 10}},
      {{2147483600, -2147483000, 30, 20}, {400, -300, 30, 20}},
      {{10, 2147483647, 8, 8}, {10, 500, 8, 8}},
  };
  for (const auto& [far, near] : cases) {
    Result<Bitmap> a = blurRegion(ramp, far, 3.0);
    Result<Bitmap> b = blurRegion(ramp, near, 3.0);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->rgba, b->rgba);
  }
}

// One area on a canvas holding it and the picture, cut back to the area.
struct OneArea {
  Bitmap canvas;
  PixelRect where;  // the canvas in the picture's pixels
  Bitmap cut(PixelRect rect) const {
    Bitmap out{rect.width, rect.height,
               std::vector<std::uint8_t>(static_cast<size_t>(rect.width) * rect.height * 4)};
    for (int y = 0; y < rect.height; ++y)
      std::copy_n(canvas.pixel(rect.x - where.x, rect.y - where.y + y), rect.width * 4,
                  out.pixel(0, y));
    return out;
  }
};

OneArea blurOneArea(const Bitmap& source, PixelRect rect, double sigma) {
  const int left = std::min(0, rect.x), top = std::min(0, rect.y);
  const PixelRect where{left, top, std::max(source.width, rect.x + rect.width) - left,
                        std::max(source.height, rect.y + rect.height) - top};
  const BlurArea area{rect, sigma};
  Result<Bitmap> canvas = blurAreas(source, where, std::span(&area, 1));
  EXPECT_TRUE(canvas) << (canvas ? "" : canvas.error().text);
  return {canvas ? *canvas : Bitmap{}, where};
}

// Each area is the Gaussian of the edge-extended picture, as the direct
// blur gives it, whatever its sigma; the rest of the canvas is the picture
// where it lies and transparent elsewhere.
TEST(BlurAreas, EachAreaIsTheBlurOfTheEdgeExtendedPicture) {
  VELL_NEED_SAMPLE(sample("pictures/european-honey-bee.jpg"));
  const Bitmap source = beePatch(240, 180);
  const struct {
    PixelRect rect;
    double sigma;
  } cases[] = {
      {{60, 40, 50, 30}, 5.0},      {{-30, -20, 120, 100}, 6.0},  // inside; past a corner
      {{-4, -4, 248, 188}, 8.0},    {{-4, -4, 248, 188}, 31.2},   // the whole picture grown
      {{150, 100, 200, 150}, 40.0}, {{300, -50, 40, 40}, 12.0},   // wholly outside
      {{-200, -150, 640, 480}, 30},                               // far larger than the picture
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rect.x << "," << c.rect.y << " sigma " << c.sigma);
    const OneArea one = blurOneArea(source, c.rect, c.sigma);
    ASSERT_FALSE(one.canvas.empty());
    const Bitmap expected = referenceBlur(source, c.rect, c.sigma);
    EXPECT_LE(meanDifference(one.cut(c.rect), expected), 0.5);
    EXPECT_LE(maxDifference(one.cut(c.rect), expected), 2);
    for (int y = 0; y < one.where.height; ++y)
      for (int x = 0; x < one.where.width; ++x) {
        const int px = x + one.where.x, py = y + one.where.y;
        if (px >= c.rect.x && px < c.rect.x + c.rect.width && py >= c.rect.y &&
            py < c.rect.y + c.rect.height)
          continue;
        const bool inPicture = px >= 0 && py >= 0 && px < source.width && py < source.height;
        const std::array<std::uint8_t, 4> none = {0, 0, 0, 0};
        ASSERT_TRUE(std::equal(one.canvas.pixel(x, y), one.canvas.pixel(x, y) + 4,
                               inPicture ? source.pixel(px, py) : none.data()))
            << x << "," << y;
      }
  }
}

// Overlapping areas are blurred once, by the last that holds a pixel, and
// always from the picture: a pixel does not depend on the areas beneath.
TEST(BlurAreas, TheLastAreaHoldingAPixelBlursIt) {
  VELL_NEED_SAMPLE(sample("pictures/european-honey-bee.jpg"));
  const Bitmap source = beePatch(240, 180);
  const PixelRect canvas{-4, -4, 248, 188};
  const BlurArea small{{20, 20, 100, 60}, 5.0}, large{{-4, -4, 248, 188}, 30.0},
      right{{80, 0, 160, 180}, 12.0};
  const auto blurred = [&](std::vector<BlurArea> areas) {
    Result<Bitmap> out = blurAreas(source, canvas, areas);
    EXPECT_TRUE(out);
    return out ? *out : Bitmap{};
  };
  const Bitmap largeAlone = blurred({large});
  EXPECT_EQ(blurred({small, right, large}).rgba, largeAlone.rgba);
  EXPECT_EQ(blurred(std::vector<BlurArea>(200, large)).rgba, largeAlone.rgba);
  // Two areas in turn: each pixel is the one area's own blur.
  const Bitmap smallAlone = blurred({small}), rightAlone = blurred({right});
  const Bitmap both = blurred({small, right});
  for (int y = 0; y < canvas.height; ++y)
    for (int x = 0; x < canvas.width; ++x) {
      const int px = x + canvas.x, py = y + canvas.y;
      const bool inRight = px >= 80 && py >= 0 && py < 180;
      const Bitmap& expected = inRight ? rightAlone : smallAlone;
      ASSERT_TRUE(std::equal(both.pixel(x, y), both.pixel(x, y) + 4, expected.pixel(x, y)))
          << px << "," << py;
    }
}

TEST(BlurAreas, TransparencyAndWhatCannotBeBlurred) {
  // Opaque white beside transparent pixels whose hidden colour is green:
  // the blur lends no green, and shows through by its own alpha.
  Bitmap half = solid(100, 40, 0, 255, 0, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 50; x < 100; ++x)
      std::fill(half.pixel(x, y), half.pixel(x, y) + 4, 255);
  const OneArea one = blurOneArea(half, {0, 0, 100, 40}, 6.0);
  ASSERT_FALSE(one.canvas.empty());
  for (int x = 44; x < 60; ++x) {
    const std::uint8_t* p = one.canvas.pixel(x, 20);
    EXPECT_GE(p[0], 253) << x;
    EXPECT_GE(p[1], 253) << x;
  }
  // Over the transparent half the blur shows alone, over the opaque one it
  // is drawn on the picture.
  EXPECT_NEAR(one.canvas.pixel(49, 20)[3], 119, 8);
  EXPECT_EQ(one.canvas.pixel(50, 20)[3], 255);

  const Bitmap plain = solid(10, 10, 1, 2, 3);
  const PixelRect canvas{0, 0, 10, 10};
  for (double sigma : {0.0, -1.0, double(NAN), 1e300}) {
    const BlurArea area{{0, 0, 10, 10}, sigma};
    EXPECT_FALSE(blurAreas(plain, canvas, std::span(&area, 1))) << sigma;
  }
  const BlurArea fine{{0, 0, 10, 10}, 5};
  EXPECT_FALSE(blurAreas(Bitmap{}, canvas, std::span(&fine, 1)));
  EXPECT_FALSE(blurAreas(plain, {0, 0, 100000, 100000}, std::span(&fine, 1)));
  // No areas: the picture on its canvas.
  Result<Bitmap> none = blurAreas(plain, canvas, {});
  ASSERT_TRUE(none);
  EXPECT_EQ(none->rgba, plain.rgba);
}

TEST(Crop, KeepsThePartInsideThePicture) {
  Bitmap numbered = solid(10, 8, 0, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x)
      numbered.pixel(x, y)[0] = static_cast<std::uint8_t>(y * 10 + x);
  struct Case {
    PixelRect rect;
    int width, height, firstPixel;  // width 0: refused
  };
  const Case cases[] = {
      {{2, 3, 4, 2}, 4, 2, 32},
      {{0, 0, 10, 8}, 10, 8, 0},
      {{8, 6, 3, 3}, 2, 2, 68},
      {{-2, -1, 5, 5}, 3, 4, 0},
      {{10, 0, 2, 2}, 0, 0, 0},
      {{-5, 0, 5, 5}, 0, 0, 0},
      {{3, 3, 0, 4}, 0, 0, 0},
      {{3, 3, -2, 4}, 0, 0, 0},
      {{0, 0, 2147483647, 2147483647}, 10, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rect.x) + "," + std::to_string(c.rect.y) + "," +
                 std::to_string(c.rect.width) + "," + std::to_string(c.rect.height));
    Result<Bitmap> cut = crop(numbered, c.rect);
    if (c.width == 0) {
      EXPECT_FALSE(cut);
      continue;
    }
    ASSERT_TRUE(cut) << cut.error().text;
    EXPECT_EQ(cut->width, c.width);
    EXPECT_EQ(cut->height, c.height);
    EXPECT_EQ(cut->pixel(0, 0)[0], c.firstPixel);
  }
}

TEST(ScaleLanczos, GivesExactlyTheSizeAsked) {
  const std::pair<int, int> from[] = {{484, 302}, {444, 278}, {1000, 701}, {7, 5}, {3, 3}};
  const std::pair<int, int> to[] = {{480, 300}, {333, 233}, {1, 1}, {1000, 1}, {5, 999}, {7, 6}};
  for (auto [w, h] : from) {
    const Bitmap source = solid(w, h, 90, 140, 200);
    for (auto [W, H] : to) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " -> " + std::to_string(W) + "x" +
                   std::to_string(H));
      Result<Bitmap> scaled = scaleLanczos(source, W, H);
      ASSERT_TRUE(scaled) << scaled.error().text;
      EXPECT_EQ(scaled->width, W);
      EXPECT_EQ(scaled->height, H);
      // A plain picture stays plain to its very edges.
      EXPECT_LE(maxDifference(*scaled, solid(W, H, 90, 140, 200)), 1);
    }
  }
}

TEST(ScaleLanczos, GivesTheCoverSizeFromAnyCrop) {
  for (auto [w, h] : {std::pair{1512, 946}, {239, 150}}) {
    Result<Bitmap> scaled = scaleLanczos(solid(w, h, 10, 20, 30), 2400, 1500);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width, 2400);
    EXPECT_EQ(scaled->height, 1500);
  }
}

TEST(ScaleLanczos, RefusesSizesThatCannotBeHeld) {
  const Bitmap source = solid(4, 4, 1, 2, 3);
  for (auto [W, H] : {std::pair{100000, 100000}, {0, 10}, {10, -1}, {2000000000, 2}}) {
    Result<Bitmap> scaled = scaleLanczos(source, W, H);
    EXPECT_FALSE(scaled) << W << "x" << H;
    EXPECT_FALSE(stretch(source, W, H));
  }
  EXPECT_FALSE(scaleLanczos(Bitmap{}, 10, 10));
}

TEST(ScaleLanczos, ShrinkingAgreesWithLibvipsLanczos) {
  VELL_NEED_SAMPLE(sample("pictures/european-honey-bee.jpg"));
  const Bitmap source = beePatch(600, 400);
  // Our own resampler, used when enlarging, checked where libvips has a
  // Lanczos-3 kernel too.
  for (auto [W, H] : {std::pair{480, 300}, {200, 133}, {97, 61}}) {
    SCOPED_TRACE(W);
    Result<Bitmap> byLibvips = scaleLanczos(source, W, H);
    ASSERT_TRUE(byLibvips);
    EXPECT_LT(meanDifference(lanczos::resample(source, W, H), *byLibvips), 1.0);
  }
}

TEST(ScaleLanczos, EnlargingKeepsPixelCentresInPlace) {
  // A ramp of 8 levels a pixel, enlarged 4 times across: output x samples
  // the ramp at source position (x + 0.5) / 4 - 0.5. The second size makes
  // the resampler work down the columns first.
  for (auto [rows, height] : {std::pair{4, 16}, {40, 41}}) {
    SCOPED_TRACE(height);
    Bitmap ramp = solid(32, rows, 0, 0, 0);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < 32; ++x)
        ramp.pixel(x, y)[0] = static_cast<std::uint8_t>(8 * x);
    Result<Bitmap> large = scaleLanczos(ramp, 128, height);
    ASSERT_TRUE(large);
    for (int x = 16; x < 112; ++x)
      EXPECT_NEAR(large->pixel(x, height / 2)[0], 8 * ((x + 0.5) / 4 - 0.5), 1.5) << x;
  }
}

TEST(ScaleLanczos, TransparentPixelsLendNoColour) {
  for (auto [W, H] : {std::pair{50, 20}, {300, 120}}) {
    SCOPED_TRACE(W);
    Bitmap half = solid(100, 40, 0, 255, 0, 0);
    for (int y = 0; y < 40; ++y)
      for (int x = 50; x < 100; ++x)
        std::fill(half.pixel(x, y), half.pixel(x, y) + 4, 255);
    Result<Bitmap> scaled = scaleLanczos(half, W, H);
    ASSERT_TRUE(scaled);
    for (int x = 0; x < W; ++x) {
      if (scaled->pixel(x, H / 2)[3] > 8) {
        EXPECT_GE(scaled->pixel(x, H / 2)[0], 240) << x;  // no green fringe
      }
    }
  }
}

TEST(UnsharpMask, AddsTheDifferenceFromTheBlur) {
  // At the first light pixel of a 50 -> 200 step, a Gaussian of radius 1
  // sees 50 + 150 x Phi(0.5); the mask adds intensity x the difference.
  const Bitmap edge = step(100, 10, 50, 200);
  const double blurred = 50 + 150 * 0.5 * (1 + std::erf(0.5 / std::sqrt(2)));
  for (double intensity : {0.3, 0.5}) {
    SCOPED_TRACE(intensity);
    Result<Bitmap> sharp = unsharpMask(edge, 1.0, intensity);
    ASSERT_TRUE(sharp);
    EXPECT_NEAR(sharp->pixel(50, 5)[0], 200 + intensity * (200 - blurred), 2.5);
    EXPECT_NEAR(sharp->pixel(49, 5)[0], 50 - intensity * (200 - blurred), 2.5);
    EXPECT_EQ(sharp->pixel(10, 5)[0], 50);  // far from the edge: unchanged
    EXPECT_EQ(sharp->pixel(50, 5)[3], 255);
  }
}

TEST(UnsharpMask, BordersStayAsTheyAre) {
  // Edge-extended: the picture's own border is no edge to sharpen.
  const Bitmap plain = solid(64, 48, 120, 130, 140);
  for (double radius : {1.0, 1.6, 20.0}) {
    Result<Bitmap> sharp = unsharpMask(plain, radius, 2.0);
    ASSERT_TRUE(sharp);
    EXPECT_LE(maxDifference(*sharp, plain), 1) << radius;
  }
}

TEST(UnsharpMask, NoIntensityMeansNoChangeAndABadRadiusFails) {
  const Bitmap edge = step(20, 4, 0, 255);
  for (double intensity : {0.0, -1.0, double(NAN)}) {
    Result<Bitmap> same = unsharpMask(edge, 1.0, intensity);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->rgba, edge.rgba);
  }
  EXPECT_FALSE(unsharpMask(edge, 0.0, 0.5));
  EXPECT_FALSE(unsharpMask(edge, INFINITY, 0.5));
}

TEST(Stretch, FillsTheFrameWithoutKeepingTheAspect) {
  VELL_NEED_SAMPLE(sample("pictures/european-honey-bee.jpg"));
  const Bitmap source = beePatch(320, 180);
  Result<Bitmap> frame = stretch(source, 180, 320);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 180);
  EXPECT_EQ(frame->height, 320);
  // Stretching back comes close to where it started.
  Result<Bitmap> back = stretch(*frame, 320, 180);
  ASSERT_TRUE(back);
  EXPECT_LT(meanDifference(*back, source), 6.0);
}

TEST(FlattenOverBlack, MultipliesColourByAlpha) {
  struct Case {
    std::array<std::uint8_t, 4> in, out;
  };
  const Case cases[] = {{{255, 0, 0, 128}, {128, 0, 0, 255}},
                        {{90, 180, 30, 0}, {0, 0, 0, 255}},
                        {{90, 180, 30, 255}, {90, 180, 30, 255}},
                        {{255, 255, 255, 51}, {51, 51, 51, 255}}};
  for (const Case& c : cases) {
    const Bitmap flat = flattenOverBlack(solid(1, 1, c.in[0], c.in[1], c.in[2], c.in[3]));
    EXPECT_EQ(std::vector<std::uint8_t>(c.out.begin(), c.out.end()), flat.rgba);
  }
}

TEST(GreyResample, GivesTheGridSizeAndGreyLevels) {
  struct Case {
    Bitmap source;
    int width, height;
    int grey;
  };
  const Case cases[] = {
      {solid(1024, 768, 100, 100, 100), 256, 192, 100},
      {solid(768, 1024, 255, 255, 255), 192, 256, 255},
      {solid(1024, 10, 0, 0, 0), 256, 32, 0},
      {solid(10, 10, 255, 255, 255, 0), 37, 41, 0},  // transparent counts as black
      {solid(300, 200, 7, 7, 7), 1000, 700, 7},      // enlarged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    Result<GreyGrid> grid = greyResample(c.source, c.width, c.height);
    ASSERT_TRUE(grid) << grid.error().text;
    EXPECT_EQ(grid->width, c.width);
    EXPECT_EQ(grid->height, c.height);
    ASSERT_EQ(grid->samples.size(), size_t(c.width) * c.height);
    for (std::uint8_t sample : grid->samples)
      ASSERT_NEAR(sample, c.grey, 1);
  }
  EXPECT_FALSE(greyResample(solid(4, 4, 0, 0, 0), 0, 4));
}

TEST(GreyResample, KeepsTheLayoutOfThePicture) {
  // Light on the right half and dark on the left stays so, row 0 on top.
  Bitmap picture = step(400, 300, 10, 240);
  for (int x = 0; x < 400; ++x)
    std::fill(picture.pixel(x, 0), picture.pixel(x, 0) + 3, 128);
  Result<GreyGrid> grid = greyResample(picture, 256, 192);
  ASSERT_TRUE(grid);
  EXPECT_NEAR(grid->samples[100 * 256 + 10], 10, 2);
  EXPECT_NEAR(grid->samples[100 * 256 + 245], 240, 2);
}

}  // namespace
}  // namespace vell::platform
