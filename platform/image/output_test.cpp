// JPEG and PNG encoding, compositing and rectangles.

#include <algorithm>
#include <array>

#include "platform/image/image.hpp"
#include "platform/image/test_support.hpp"

namespace vell::platform {
namespace {

using testing::maxDifference;
using testing::meanDifference;
using testing::mustDecode;
using testing::sample;
using testing::solid;

// The JPEG markers in `bytes` up to the start of the scan data, as
// {marker, segment payload}.
std::vector<std::pair<int, std::vector<std::uint8_t>>> jpegMarkers(
    const std::vector<std::uint8_t>& bytes) {
  std::vector<std::pair<int, std::vector<std::uint8_t>>> markers;
  size_t i = 2;
  while (i + 4 <= bytes.size() && bytes[i] == 0xff) {
    const int marker = bytes[i + 1];
    const size_t length = bytes[i + 2] << 8 | bytes[i + 3];
    markers.push_back(
        {marker, {bytes.begin() + i + 4, bytes.begin() + std::min(bytes.size(), i + 2 + length)}});
    if (marker == 0xda)
      break;
    i += 2 + length;
  }
  return markers;
}

bool hasMarker(const std::vector<std::pair<int, std::vector<std::uint8_t>>>& markers, int marker) {
  return std::any_of(markers.begin(), markers.end(),
                     [&](const auto& m) { return m.first == marker; });
}

TEST(EncodeJpeg, IsProgressiveJfifWithoutOtherMetadata) {
  // A photo that carried EXIF and an ICC profile when it was read.
  const std::string file = sample("pictures/jesper.jpg");
  VELL_NEED_SAMPLE(file);
  const Bitmap photo = mustDecode(file);
  Result<std::vector<std::uint8_t>> jpeg = encodeJpeg(photo, 0.9);
  ASSERT_TRUE(jpeg) << jpeg.error().text;
  const auto markers = jpegMarkers(*jpeg);
  ASSERT_GE(jpeg->size(), 4u);
  EXPECT_EQ((*jpeg)[0], 0xff);
  EXPECT_EQ((*jpeg)[1], 0xd8);
  ASSERT_FALSE(markers.empty());
  EXPECT_EQ(markers[0].first, 0xe0);  // JFIF first
  ASSERT_GE(markers[0].second.size(), 12u);
  EXPECT_EQ(std::string(markers[0].second.begin(), markers[0].second.begin() + 5),
            std::string("JFIF\0", 5));
  EXPECT_EQ(markers[0].second[7], 1);  // dots an inch
  EXPECT_EQ(markers[0].second[9], 72);
  EXPECT_TRUE(hasMarker(markers, 0xc2));   // progressive frame
  EXPECT_FALSE(hasMarker(markers, 0xc0));  // no baseline frame
  for (int app = 0xe1; app <= 0xef; ++app)
    EXPECT_FALSE(hasMarker(markers, app)) << "APP" << app - 0xe0;  // no EXIF, ICC, XMP
  EXPECT_FALSE(hasMarker(markers, 0xfe));                          // no comment

  Result<DecodedImage> back = decodeMemory(*jpeg);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->orientation);
  EXPECT_LT(meanDifference(back->bitmap, photo), 2.0);
}

TEST(EncodeJpeg, QualityIsRoundedAndClamped) {
  VELL_NEED_SAMPLE(sample("pictures/jesper.jpg"));
  const Bitmap photo = mustDecode(sample("pictures/jesper.jpg"));
  const auto bytes = [&](double q) {
    Result<std::vector<std::uint8_t>> jpeg = encodeJpeg(photo, q);
    EXPECT_TRUE(jpeg) << q;
    return jpeg ? *jpeg : std::vector<std::uint8_t>{};
  };
  // Pairs that must give the same quality setting.
  const std::pair<double, double> same[] = {{0.9, 0.9004}, {0.8, 0.796}, {0.0, 0.01},
                                            {-3.0, 0.01},  {1.0, 7.5},   {INFINITY, 1.0}};
  for (auto [a, b] : same)
    EXPECT_EQ(bytes(a), bytes(b)) << a << " " << b;
  EXPECT_LT(bytes(0.5).size(), bytes(0.8).size());
  EXPECT_LT(bytes(0.8).size(), bytes(0.9).size());
  EXPECT_LT(bytes(0.9).size(), bytes(1.0).size());
  EXPECT_NE(bytes(0.86), bytes(0.82));
  EXPECT_FALSE(encodeJpeg(photo, NAN));
  EXPECT_FALSE(encodeJpeg(Bitmap{}, 0.9));
}

TEST(EncodeJpeg, TransparencyShowsBlack) {
  Result<std::vector<std::uint8_t>> jpeg = encodeJpeg(solid(16, 16, 255, 255, 255, 0), 0.9);
  ASSERT_TRUE(jpeg);
  Result<DecodedImage> back = decodeMemory(*jpeg);
  ASSERT_TRUE(back);
  EXPECT_LE(maxDifference(back->bitmap, solid(16, 16, 0, 0, 0)), 2);
}

TEST(EncodePng, IsLosslessRgbaTaggedSrgb) {
  const std::string file = sample("derived/astronaut-alpha.png");
  VELL_NEED_SAMPLE(file);
  const Bitmap picture = mustDecode(file);
  Result<std::vector<std::uint8_t>> png = encodePng(picture);
  ASSERT_TRUE(png) << png.error().text;
  const std::string text(png->begin(), png->end());
  EXPECT_EQ(text.substr(1, 3), "PNG");
  EXPECT_EQ(text[25], 6) << "colour type RGBA";
  EXPECT_EQ(text[24], 8) << "8 bits a sample";
  EXPECT_NE(text.find("iCCP"), std::string::npos);
  Result<DecodedImage> back = decodeMemory(*png);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bitmap.rgba, picture.rgba);
  EXPECT_FALSE(encodePng(Bitmap{}));
}

TEST(FillRect, BlendsWithCoverageAndAlpha) {
  struct Case {
    Rect rect;
    Colour colour;
    int x, y;
    std::array<std::uint8_t, 4> expected;
  };
  // On white, opaque.
  const Case cases[] = {
      {{2, 2, 4, 4}, {1, 0, 0, 1}, 2, 2, {255, 0, 0, 255}},      // inside
      {{2, 2, 4, 4}, {1, 0, 0, 1}, 6, 2, {255, 255, 255, 255}},  // right edge excluded
      {{2, 2, 4, 4}, {1, 0, 0, 1}, 1, 2, {255, 255, 255, 255}},
      {{1.5, 2, 4, 4}, {0, 0, 0, 1}, 1, 3, {128, 128, 128, 255}},         // half covered
      {{1.5, 2.5, 4, 4}, {0, 0, 0, 1}, 1, 2, {191, 191, 191, 255}},       // a quarter
      {{0, 0, 10, 10}, {1, 0.1, 0.1, 0.55}, 5, 5, {255, 129, 129, 255}},  // heat colour
      {{-5, -5, 7, 7}, {0, 0, 1, 1}, 0, 0, {0, 0, 255, 255}},             // clipped
      {{6, 6, -4, -4}, {0, 1, 0, 1}, 3, 3, {0, 255, 0, 255}},             // negative size
      {{2, 2, NAN, 4}, {0, 0, 0, 1}, 3, 3, {255, 255, 255, 255}},         // nothing
      {{-1e300, 2, 2e300, 1e300}, {0, 0, 0, 1}, 3, 3, {0, 0, 0, 255}},    // huge
      {{1e300, 1e300, 5, 5}, {0, 0, 0, 1}, 9, 9, {255, 255, 255, 255}},   // far away
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rect.x) + "," + std::to_string(c.rect.y));
    Bitmap canvas = solid(10, 10, 255, 255, 255);
    fillRect(canvas, c.rect, c.colour);
    const std::uint8_t* p = canvas.pixel(c.x, c.y);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(p[k], c.expected[k], 1) << k;
  }
}

TEST(FillRect, OnTransparentPixelsKeepsTheColourStraight) {
  Bitmap canvas = solid(4, 4, 0, 0, 0, 0);
  fillRect(canvas, {0, 0, 4, 4}, {0.2, 0.6, 1.0, 0.5});
  const std::uint8_t* p = canvas.pixel(1, 1);
  EXPECT_NEAR(p[0], 51, 1);
  EXPECT_NEAR(p[1], 153, 1);
  EXPECT_NEAR(p[2], 255, 1);
  EXPECT_NEAR(p[3], 128, 1);
}

TEST(StrokeRect, DrawsALineCentredOnTheEdges) {
  // Edges at 10 and 30, width 4: the line covers 8..12 and 28..32.
  Bitmap canvas = solid(40, 40, 0, 0, 0);
  strokeRect(canvas, {10, 10, 20, 20}, 4, {1, 1, 1, 1});
  const std::pair<std::pair<int, int>, int> cases[] = {
      {{8, 20}, 255}, {{11, 20}, 255}, {{12, 20}, 0}, {{7, 20}, 0},    {{20, 20}, 0},
      {{20, 8}, 255}, {{20, 31}, 255}, {{20, 32}, 0}, {{31, 31}, 255}, {{9, 9}, 255},
  };
  for (const auto& [at, value] : cases)
    EXPECT_EQ(canvas.pixel(at.first, at.second)[0], value) << at.first << "," << at.second;

  // Half-pixel width 5 (the debug picture's 7.5 / 1.5): partial columns.
  Bitmap thin = solid(40, 40, 0, 0, 0);
  strokeRect(thin, {10, 10, 20, 20}, 5, {1, 1, 1, 1});
  EXPECT_NEAR(thin.pixel(7, 20)[0], 128, 1);
  EXPECT_NEAR(thin.pixel(12, 20)[0], 128, 1);
  EXPECT_EQ(thin.pixel(10, 20)[0], 255);

  // A line wider than the rectangle fills it; nothing for a zero width.
  Bitmap full = solid(20, 20, 0, 0, 0);
  strokeRect(full, {5, 5, 4, 4}, 10, {1, 1, 1, 1});
  EXPECT_EQ(full.pixel(7, 7)[0], 255);
  strokeRect(full, {15, 15, 2, 2}, 0, {1, 1, 1, 1});
  EXPECT_EQ(full.pixel(15, 15)[0], 0);
}

TEST(CompositeOver, CoversTheUnionOfBoth) {
  const Bitmap base = solid(10, 8, 0, 0, 255);
  const Bitmap patch = solid(4, 4, 255, 0, 0);
  struct Case {
    int x, y;
    int width, height, baseX, baseY;
  };
  const Case cases[] = {
      {3, 2, 10, 8, 0, 0},  {-2, -3, 12, 11, 2, 3}, {8, 6, 12, 10, 0, 0},
      {20, 0, 24, 8, 0, 0}, {-1, 7, 11, 11, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    Result<Composited> out = compositeOver(patch, c.x, c.y, base);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->bitmap.width, c.width);
    EXPECT_EQ(out->bitmap.height, c.height);
    EXPECT_EQ(out->baseX, c.baseX);
    EXPECT_EQ(out->baseY, c.baseY);
    // The patch lies on top, the base shows elsewhere, the rest is clear.
    const std::uint8_t* onPatch = out->bitmap.pixel(c.x + c.baseX, c.y + c.baseY);
    EXPECT_EQ(onPatch[0], 255);
    EXPECT_EQ(onPatch[2], 0);
    int clear = 0, blue = 0;
    for (size_t i = 0; i < out->bitmap.rgba.size(); i += 4) {
      clear += out->bitmap.rgba[i + 3] == 0;
      blue += out->bitmap.rgba[i + 2] == 255;
    }
    const int overlapX = std::max(0, std::min(10, c.x + 4) - std::max(0, c.x));
    const int overlapY = std::max(0, std::min(8, c.y + 4) - std::max(0, c.y));
    EXPECT_EQ(blue, 80 - overlapX * overlapY);
    EXPECT_EQ(clear, c.width * c.height - 80 - 16 + overlapX * overlapY);
  }
  EXPECT_FALSE(compositeOver(patch, 100000, 100000, base));
}

TEST(CompositeOver, HalfTransparentPatchesBlend) {
  Result<Composited> out =
      compositeOver(solid(2, 2, 255, 255, 255, 128), 0, 0, solid(2, 2, 0, 0, 0));
  ASSERT_TRUE(out);
  EXPECT_NEAR(out->bitmap.pixel(1, 1)[0], 128, 1);
  EXPECT_EQ(out->bitmap.pixel(1, 1)[3], 255);
}

}  // namespace
}  // namespace vell::platform
