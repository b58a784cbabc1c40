// Decoding, orientation and thumbnails on the real sample pictures.

#include "platform/image/image.hpp"

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>
#include <vips/vips8>

#include "common/test_folder.hpp"
#include "platform/image/hostile_pictures.hpp"
#include "platform/image/jpeg_extent.hpp"
#include "platform/image/part.hpp"
#include "platform/image/test_support.hpp"

namespace vell::platform {
namespace {

using testing::maxDifference;
using testing::meanDifference;
using testing::mustDecode;
using testing::sample;

const std::string bee = "pictures/european-honey-bee.jpg";

struct FormatCase {
  std::string file;
  int width;
  int height;
  double tolerance;  // mean difference from the JPEG original
};

TEST(Decode, EveryFormatGivesThePictureItHolds) {
  const std::string original = sample(bee);
  VELL_NEED_SAMPLE(original);
  const Bitmap reference = mustDecode(original);
  const FormatCase cases[] = {
      {"derived/bee.tif", 1620, 1280, 0.0},  // lossless copy of the decoded JPEG
      {"derived/bee.webp", 1620, 1280, 4.0},
      {"derived/bee.heic", 1620, 1280, 4.0},
      {"derived/bee.avif", 1620, 1280, 4.0},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.file);
    Result<DecodedImage> decoded = decode(sample(c.file));
    ASSERT_TRUE(decoded) << decoded.error().text;
    EXPECT_EQ(decoded->bitmap.width, c.width);
    EXPECT_EQ(decoded->bitmap.height, c.height);
    EXPECT_LE(meanDifference(decoded->bitmap, reference), c.tolerance + 0.5);
  }
}

TEST(Decode, PicturesWithoutAlphaBecomeOpaqueRgba) {
  for (const char* file :
       {"pictures/chelsea.png", "pictures/imageTextN.png", "pictures/jesper.jpg"}) {
    SCOPED_TRACE(file);
    VELL_NEED_SAMPLE(sample(file));
    const Bitmap bitmap = mustDecode(sample(file));
    ASSERT_EQ(bitmap.rgba.size(), size_t(bitmap.width) * bitmap.height * 4);
    for (size_t i = 3; i < bitmap.rgba.size(); i += 4)
      ASSERT_EQ(bitmap.rgba[i], 255);
  }
}

TEST(Decode, OrientationEntryIsReportedAsStored) {
  struct Case {
    std::string file;
    std::optional<std::uint32_t> orientation;
  };
  const Case cases[] = {
      {"derived/bee-orientation-6.jpg", 6},
      {"derived/bee-orientation-8.jpg", 8},
      {"pictures/european-honey-bee.jpg", 1},
      {"derived/bee-orientation-9.jpg", 1},  // libvips reads invalid entries as 1
      {"pictures/astronaut.png", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    VELL_NEED_SAMPLE(sample(c.file));
    Result<DecodedImage> decoded = decode(sample(c.file));
    ASSERT_TRUE(decoded) << decoded.error().text;
    EXPECT_EQ(decoded->orientation, c.orientation);
    // Pixels come as stored, whatever the entry says.
    EXPECT_EQ(decoded->bitmap.width, c.file.find("bee") != std::string::npos ? 1620 : 512);
  }
}

TEST(Decode, SidewaysPhotosComeUprightWithSwappedSides) {
  VELL_NEED_SAMPLE(sample(bee));
  const Bitmap stored = mustDecode(sample(bee));
  const int w = stored.width, h = stored.height;
  // Orientation 6: the stored top row shows as the right column; 8: as the
  // left column.
  struct Case {
    std::string file;
    std::function<std::pair<int, int>(int, int)> storedAt;  // upright (X, Y) -> stored (x, y)
  };
  const Case cases[] = {
      {"derived/bee-orientation-6.jpg",
       [&](int X, int Y) {
         return std::pair{Y, h - 1 - X};
       }},
      {"derived/bee-orientation-8.jpg",
       [&](int X, int Y) {
         return std::pair{w - 1 - Y, X};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Result<Bitmap> upright = decodeUpright(sample(c.file));
    ASSERT_TRUE(upright) << upright.error().text;
    ASSERT_EQ(upright->width, h);
    ASSERT_EQ(upright->height, w);
    for (auto [X, Y] :
         {std::pair{0, 0}, {h - 1, 0}, {0, w - 1}, {h - 1, w - 1}, {400, 900}, {17, 1203}}) {
      const auto [x, y] = c.storedAt(X, Y);
      EXPECT_EQ(0, std::memcmp(upright->pixel(X, Y), stored.pixel(x, y), 4)) << X << "," << Y;
    }
  }
}

TEST(Decode, InvalidOrientationLeavesThePictureAsStored) {
  const std::string file = sample("derived/bee-orientation-9.jpg");
  VELL_NEED_SAMPLE(file);
  Result<Bitmap> upright = decodeUpright(file);
  ASSERT_TRUE(upright);
  EXPECT_EQ(upright->rgba, mustDecode(sample(bee)).rgba);
  Result<Bitmap> small = thumbnail(file, 100);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->width, 100);
  EXPECT_EQ(small->height, 79);
}

TEST(Orient, FollowsTheExifMeaningOfEachValue) {
  // A 3 x 2 picture whose pixels are numbered 0..5 in reading order.
  Bitmap stored{3, 2, {}};
  for (std::uint8_t i = 0; i < 6; ++i)
    stored.rgba.insert(stored.rgba.end(), {i, 0, 0, 255});
  struct Case {
    std::uint32_t value;
    int width;
    std::vector<int> upright;  // stored pixel numbers in reading order
  };
  const Case cases[] = {
      {1, 3, {0, 1, 2, 3, 4, 5}}, {2, 3, {2, 1, 0, 5, 4, 3}},  // mirrored left-right
      {3, 3, {5, 4, 3, 2, 1, 0}},                              // turned half round
      {4, 3, {3, 4, 5, 0, 1, 2}},                              // mirrored top-bottom
      {5, 2, {0, 3, 1, 4, 2, 5}},                              // transposed
      {6, 2, {3, 0, 4, 1, 5, 2}},                              // turned a quarter clockwise
      {7, 2, {5, 2, 4, 1, 3, 0}},                              // transversed
      {8, 2, {2, 5, 1, 4, 0, 3}},                              // turned a quarter anticlockwise
      {0, 3, {0, 1, 2, 3, 4, 5}},                              // not an orientation: unchanged
      {9, 3, {0, 1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const Bitmap turned = orient(stored, c.value);
    ASSERT_EQ(turned.width, c.width);
    ASSERT_EQ(turned.height, 6 / c.width);
    std::vector<int> numbers;
    for (size_t i = 0; i < turned.rgba.size(); i += 4)
      numbers.push_back(turned.rgba[i]);
    EXPECT_EQ(numbers, c.upright);
  }
}

TEST(Orient, OnlyValuesOneToEightCount) {
  const std::pair<std::optional<std::uint32_t>, std::uint32_t> cases[] = {
      {std::nullopt, 1}, {0u, 1}, {1u, 1},     {6u, 6},
      {8u, 8},           {9u, 1}, {65535u, 1}, {0xffffffffu, 1}};
  for (const auto& [entry, expected] : cases)
    EXPECT_EQ(orientationOrUp(entry), expected);
}

TEST(Decode, EmbeddedProfileIsConvertedToSrgb) {
  const std::string p3 = sample("derived/astronaut-p3.png");
  VELL_NEED_SAMPLE(p3);
  // The stored numbers differ clearly from the sRGB original...
  vips::VImage raw = vips::VImage::new_from_file(p3.c_str());
  vips::VImage srgb = vips::VImage::new_from_file(sample("pictures/astronaut.png").c_str());
  ASSERT_GT((raw - srgb).abs().avg(), 3.0);
  // ...and come back to it once the profile is applied.
  EXPECT_LT(meanDifference(mustDecode(p3), mustDecode(sample("pictures/astronaut.png"))), 1.0);
}

TEST(Decode, AnSrgbProfileLeavesThePixelsAsStored) {
  const std::string photo = sample("pictures/jesper.jpg");  // tagged sRGB IEC61966-2.1
  VELL_NEED_SAMPLE(photo);
  vips::VImage raw = vips::VImage::new_from_file(photo.c_str());
  ASSERT_NE(raw.get_typeof(VIPS_META_ICC_NAME), 0u);
  const Bitmap decoded = mustDecode(photo);
  vips::VImage rgba = raw.bandjoin_const({255});
  Bitmap stored{raw.width(), raw.height(), {}};
  size_t length = 0;
  void* data = rgba.write_to_memory(&length);
  stored.rgba.assign(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + length);
  g_free(data);
  EXPECT_EQ(maxDifference(decoded, stored), 0);
}

TEST(Decode, AlphaIsKeptStraight) {
  const std::string file = sample("derived/astronaut-alpha.png");
  VELL_NEED_SAMPLE(file);
  const Bitmap with = mustDecode(file);
  const Bitmap without = mustDecode(sample("pictures/astronaut.png"));
  ASSERT_EQ(with.width, 512);
  EXPECT_EQ(with.pixel(10, 10)[3], 0);
  EXPECT_NEAR(with.pixel(100, 250)[3], 128, 1);
  EXPECT_EQ(with.pixel(256, 100)[3], 255);
  // Colour under partial alpha is not darkened (straight, not premultiplied).
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(with.pixel(100, 250)[c], without.pixel(100, 250)[c], 1);
    EXPECT_EQ(with.pixel(256, 100)[c], without.pixel(256, 100)[c]);
  }
}

TEST(Decode, OtherLayoutsBecomeSrgbRgba8) {
  // Pictures written by libvips in the layouts photos come in, each of one
  // colour, and the RGBA it must decode to.
  using vips::VImage;
  const auto plain = [](std::vector<double> values, VipsBandFormat format) {
    return (VImage::black(8, 6, VImage::option()->set("bands", int(values.size()))) + values)
        .cast(format);
  };
  struct Case {
    std::string name;
    VImage image;
    std::array<int, 4> rgba;
    int tolerance;
  };
  const Case cases[] = {
      {"grey.png", plain({100}, VIPS_FORMAT_UCHAR), {100, 100, 100, 255}, 0},
      {"grey-alpha.png", plain({100, 128}, VIPS_FORMAT_UCHAR), {100, 100, 100, 128}, 0},
      {"grey16.png",
       plain({25700}, VIPS_FORMAT_USHORT)
           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_GREY16)),
       {100, 100, 100, 255},
       0},
      {"rgb16.png",
       plain({51400, 25700, 0}, VIPS_FORMAT_USHORT)
           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16)),
       {200, 100, 0, 255},
       0},
      {"rgba16.tif",
       plain({51400, 25700, 0, 65535}, VIPS_FORMAT_USHORT)
           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16)),
       {200, 100, 0, 255},
       0},
      {"cmyk.jpg",
       plain({150, 110, 80}, VIPS_FORMAT_UCHAR)
           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
           .icc_export(VImage::option()->set("output_profile", "cmyk")),
       {150, 110, 80, 255},
       8},  // a colour inside the CMYK gamut
  };
  TestFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = (folder.path() / c.name).string();
    c.image.write_to_file(path.c_str());
    const Bitmap bitmap = mustDecode(path);
    ASSERT_EQ(bitmap.width, 8);
    ASSERT_EQ(bitmap.height, 6);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(bitmap.pixel(3, 3)[k], c.rgba[k], c.tolerance) << k;
  }
}

TEST(Decode, OnlyTheFirstFrameOfAnAnimationIsRead) {
  using vips::VImage;
  // Two frames of 10 x 8, red then blue, stacked as libvips keeps pages.
  VImage red =
      VImage::black(10, 8, VImage::option()->set("bands", 3)) + std::vector<double>{255, 0, 0};
  VImage blue =
      VImage::black(10, 8, VImage::option()->set("bands", 3)) + std::vector<double>{0, 0, 255};
  VImage frames = red.join(blue, VIPS_DIRECTION_VERTICAL).cast(VIPS_FORMAT_UCHAR).copy();
  frames.set("page-height", 8);
  TestFolder folder;
  for (const char* name : {"two.gif", "two.webp", "two.tif"}) {
    SCOPED_TRACE(name);
    const std::string path = (folder.path() / name).string();
    frames.write_to_file(path.c_str());
    const Bitmap first = mustDecode(path);
    ASSERT_EQ(first.width, 10);
    ASSERT_EQ(first.height, 8);
    EXPECT_GT(first.pixel(5, 7)[0], 200);
    EXPECT_LT(first.pixel(5, 7)[2], 50);
  }
}

TEST(Decode, BombsAreRefusedFromTheirHeader) {
  const std::string bomb = sample("derived/bomb-20000x20000.png");
  VELL_NEED_SAMPLE(bomb);
  Result<DecodedImage> decoded = decode(bomb);
  ASSERT_FALSE(decoded);
  EXPECT_NE(decoded.error().text.find("20000 x 20000"), std::string::npos) << decoded.error().text;
  EXPECT_FALSE(decodeUpright(bomb));
  EXPECT_FALSE(thumbnail(bomb, 256));

  std::ifstream in(bomb, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_FALSE(decodeMemory(bytes));
}

TEST(Decode, TheCeilingIsInclusiveAndConfigurable) {
  VELL_NEED_SAMPLE(sample(bee));
  const std::pair<std::int64_t, bool> cases[] = {
      {1620 * 1280, true}, {1620 * 1280 - 1, false}, {1000, false}, {defaultMaxPixels, true}};
  for (const auto& [ceiling, readable] : cases) {
    SCOPED_TRACE(ceiling);
    EXPECT_EQ(bool(decode(sample(bee), {.maxPixels = ceiling})), readable);
    EXPECT_EQ(bool(thumbnail(sample(bee), 100, {.maxPixels = ceiling})), readable);
  }
}

TEST(Decode, DamagedAndForeignFilesAreUnreadable) {
  TestFolder folder;
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder.path() / name, std::ios::binary) << text;
    return (folder.path() / name).string();
  };
  std::vector<std::string> paths = {
      sample("derived/bee-truncated.jpg"),
      (folder.path() / "missing.jpg").string(),
      folder.path().string(),  // a folder
      write("empty.jpg", ""),
      write("notes.txt", "not a picture at all\n"),
      write("numbers.csv", "1,2,3\n4,5,6\n"),  // libvips could read this as pixels
      write("matrix.mat", "2 2\n1 2\n3 4\n"),
      write("fake.png", "\x89PNG\r\n\x1a\n garbage"),
      write("name[0]", "not a picture either"),
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    Result<DecodedImage> decoded = decode(path);
    EXPECT_FALSE(decoded);
    if (!decoded) {
      EXPECT_NE(decoded.error().text.find(path), std::string::npos) << decoded.error().text;
    }
    EXPECT_FALSE(decodeUpright(path));
    EXPECT_FALSE(thumbnail(path, 64));
  }
}

// JPEGs thinner than the shrink-on-load factor once made libvips abort the
// process; drawings and a JPEG promising more than its data holds are no
// pictures to read. Each road that decodes answers, and none ends the test.
TEST(Decode, HostilePicturesAreReadOrRefusedCleanly) {
  TestFolder folder;
  for (const auto& picture : testing::hostilePictures(folder.path())) {
    SCOPED_TRACE(picture.name);
    const std::string path = picture.path.string();
    for (int side : {64, 256, 1024}) {
      Result<Bitmap> small = thumbnail(path, side);
      EXPECT_EQ(bool(small), !picture.unreadable) << (small ? "" : small.error().text);
      if (small) {
        EXPECT_GE(std::min(small->width, small->height), 1);
        EXPECT_LE(std::max(small->width, small->height), side);
      }
    }
    EXPECT_EQ(bool(decode(path)), !picture.unreadable);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bool(uprightSize(bytes)), !picture.unreadable);
  }
}

// The least data a JPEG can hold its blocks in is a floor every real file
// clears, whatever its layout.
TEST(Decode, RealJpegsHoldTheDataTheirHeadersPromise) {
  for (const char* name : {"pictures/jesper.jpg", "pictures/european-honey-bee.jpg",
                           "pictures/qt-logo.jpg", "derived/bee-orientation-6.jpg"}) {
    std::ifstream in(sample(name), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty())
      continue;
    const std::optional<std::int64_t> least = leastJpegDataBytes(bytes);
    ASSERT_TRUE(least) << name;
    EXPECT_GT(*least, 100) << name;
    EXPECT_LT(*least, static_cast<std::int64_t>(bytes.size()) / 4) << name;
  }
  // Not a JPEG, or arithmetic-coded: no floor is claimed.
  EXPECT_FALSE(leastJpegDataBytes(std::vector<std::uint8_t>{0x89, 'P', 'N', 'G'}));
  const std::vector<std::uint8_t> arithmetic = {0xFF, 0xD8, 0xFF, 0xC9, 0, 11,   8, 0x27,
                                                0x10, 0x27, 0x10, 1,    1, 0x11, 0};
  EXPECT_FALSE(leastJpegDataBytes(arithmetic));
}

TEST(Decode, NamesEndingInABracketAreFileNames) {
  // libvips would read "[...]" at the end of a name as load options.
  const std::string original = sample("pictures/jesper.jpg");
  VELL_NEED_SAMPLE(original);
  TestFolder folder;
  for (const char* name : {"photo[1]", "photo.jpg[shrink=2]"}) {
    const auto path = folder.path() / name;
    std::filesystem::copy_file(original, path);
    Result<DecodedImage> decoded = decode(path.string());
    ASSERT_TRUE(decoded) << decoded.error().text;
    EXPECT_EQ(decoded->bitmap.width, 800) << name;
    Result<Bitmap> small = thumbnail(path.string(), 200);
    ASSERT_TRUE(small) << small.error().text;
    EXPECT_EQ(small->width, 200) << name;
  }
}

TEST(Decode, EveryCutOfAPictureIsRefusedCleanly) {
  // The whole file reads; any shorter prefix fails without crashing.
  Bitmap small = testing::solid(48, 32, 200, 100, 50);
  for (int i = 0; i < 48 * 32; ++i)
    small.rgba[i * 4 + 1] = static_cast<std::uint8_t>(i * 7);
  for (auto encoded : {encodeJpeg(small, 0.9), encodePng(small)}) {
    ASSERT_TRUE(encoded);
    const std::vector<std::uint8_t>& bytes = *encoded;
    ASSERT_TRUE(decodeMemory(bytes));
    for (size_t length = 0; length + 1 < bytes.size(); length += 1 + length / 8) {
      SCOPED_TRACE(length);
      EXPECT_FALSE(decodeMemory(std::span(bytes.data(), length)));
    }
  }
}

struct ThumbnailCase {
  std::string file;
  int maxSide;
  int width;
  int height;
};

TEST(Thumbnail, LongerSideIsCappedAndAspectKept) {
  const ThumbnailCase cases[] = {
      {"pictures/european-honey-bee.jpg", 1024, 1024, 809},  // 1280 x 1024 / 1620 = 809.1
      {"derived/bee-12mp.jpg", 1024, 1024, 768},
      {"derived/bee-orientation-6.jpg", 1024, 809, 1024},  // upright: sides swapped
      {"derived/bee-orientation-8.jpg", 512, 405, 512},    // 404.5 rounds up
      {"pictures/chelsea.png", 1024, 451, 300},            // smaller: kept
      {"pictures/chelsea.png", 451, 451, 300},
      {"pictures/chelsea.png", 100, 100, 67},  // 66.5 rounds up
      {"derived/bee.heic", 256, 256, 202},
      {"derived/bee.webp", 256, 256, 202},
      {"derived/astronaut-alpha.png", 1, 1, 1},
  };
  for (const ThumbnailCase& c : cases) {
    SCOPED_TRACE(c.file + " " + std::to_string(c.maxSide));
    VELL_NEED_SAMPLE(sample(c.file));
    Result<Bitmap> small = thumbnail(sample(c.file), c.maxSide);
    ASSERT_TRUE(small) << small.error().text;
    EXPECT_EQ(small->width, c.width);
    EXPECT_EQ(small->height, c.height);
  }
  EXPECT_FALSE(thumbnail(sample(bee), 0));
  EXPECT_FALSE(thumbnail(sample(bee), -5));
}

TEST(Thumbnail, ShowsTheUprightPictureAsAFullDecodeWould) {
  VELL_NEED_SAMPLE(sample(bee));
  const Bitmap full = mustDecode(sample(bee));
  for (auto [file, value] : {std::pair{"derived/bee-orientation-6.jpg", 6u},
                             {"derived/bee-orientation-8.jpg", 8u},
                             {"derived/bee.heic", 1u}}) {
    SCOPED_TRACE(file);
    Result<Bitmap> small = thumbnail(sample(file), 400);
    ASSERT_TRUE(small) << small.error().text;
    Result<Bitmap> expected = scaleLanczos(orient(full, value), small->width, small->height);
    ASSERT_TRUE(expected);
    EXPECT_LT(meanDifference(*small, *expected), 2.5);
  }
}

// Decoding only the part under a rectangle must give the very pixels of
// cutting it out of the whole upright picture and scaling that: streamed
// (opaque upright JPEG, shrunk), or held (turned, translucent, enlarged).
TEST(DecodeCropScaled, IsTheCutOfTheWholePictureScaled) {
  struct Case {
    std::string file;
    PixelRect rect;
    int width, height;
  } cases[] = {
      {bee, {100, 50, 900, 600}, 480, 320},
      {bee, {-40, 700, 2000, 500}, 300, 100},  // reaches past three edges
      {bee, {0, 0, 1620, 1280}, 1620, 1280},   // all of it, same size
      {bee, {1500, 1000, 60, 20}, 300, 100},   // enlarged
      {bee, {700, 100, 90, 800}, 45, 900},     // shrunk across, enlarged down
      {"derived/bee-orientation-6.jpg", {100, 200, 700, 500}, 350, 250},
      {"derived/bee-orientation-8.jpg", {0, 0, 809, 1024}, 200, 250},
      {"derived/astronaut-alpha.png", {50, 60, 300, 200}, 150, 100},
      {"pictures/chelsea.png", {10, 10, 200, 100}, 100, 50},
      {"derived/bee.heic", {300, 300, 800, 500}, 400, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + std::to_string(c.rect.x) + "," + std::to_string(c.rect.y) + " " +
                 std::to_string(c.width) + "x" + std::to_string(c.height));
    VELL_NEED_SAMPLE(sample(c.file));
    Result<std::vector<std::uint8_t>> bytes = readPictureFile(sample(c.file));
    ASSERT_TRUE(bytes);
    Result<Bitmap> whole = decodeUpright(sample(c.file));
    ASSERT_TRUE(whole) << whole.error().text;
    Result<PictureSize> size = uprightSize(*bytes);
    ASSERT_TRUE(size) << size.error().text;
    EXPECT_EQ(size->width, whole->width);
    EXPECT_EQ(size->height, whole->height);
    Result<Bitmap> part = crop(*whole, c.rect);
    ASSERT_TRUE(part);
    Result<Bitmap> expected = scaleLanczos(*part, c.width, c.height);
    ASSERT_TRUE(expected);
    Result<Bitmap> got = decodeCropScaled(*bytes, c.rect, c.width, c.height);
    ASSERT_TRUE(got) << got.error().text;
    EXPECT_EQ(got->width, c.width);
    EXPECT_EQ(got->height, c.height);
    EXPECT_EQ(maxDifference(*got, *expected), 0);
  }
}

TEST(DecodeCropScaled, RefusesWhatTheWholeRoadRefuses) {
  VELL_NEED_SAMPLE(sample(bee));
  Result<std::vector<std::uint8_t>> bytes = readPictureFile(sample(bee));
  ASSERT_TRUE(bytes);
  EXPECT_FALSE(decodeCropScaled(*bytes, {1620, 0, 10, 10}, 5, 5));  // beside the picture
  EXPECT_FALSE(decodeCropScaled(*bytes, {0, 0, 0, 10}, 5, 5));
  EXPECT_FALSE(decodeCropScaled(*bytes, {0, 0, 10, 10}, 0, 5));
  EXPECT_FALSE(decodeCropScaled(*bytes, {0, 0, 10, 10}, 20000, 20000));
  EXPECT_FALSE(decodeCropScaled(*bytes, {0, 0, 10, 10}, 5, 5, {.maxPixels = 1000}));
  EXPECT_FALSE(uprightSize(*bytes, {.maxPixels = 1000}));
  const std::vector<std::uint8_t> junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  EXPECT_FALSE(decodeCropScaled(junk, {0, 0, 10, 10}, 5, 5));
  EXPECT_FALSE(uprightSize(junk));
  EXPECT_FALSE(uprightSize({}));
  EXPECT_FALSE(decodeCropScaled({}, {0, 0, 10, 10}, 5, 5));
}

TEST(ClipRect, KeepsThePartInsideThePicture) {
  EXPECT_FALSE(clipRect({-10, 0, 10, 5}, 100, 50));  // touches the left edge from outside
  EXPECT_FALSE(clipRect({5, 5, -3, 4}, 100, 50));
  const std::optional<PixelRect> inside = clipRect({-10, 40, 200, 30}, 100, 50);
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->x, 0);
  EXPECT_EQ(inside->y, 40);
  EXPECT_EQ(inside->width, 100);
  EXPECT_EQ(inside->height, 10);
}

TEST(Decode, ManyThreadsAtOnceGetTheSameResults) {
  const std::vector<std::string> files = {sample(bee), sample("derived/bee.heic"),
                                          sample("derived/astronaut-alpha.png"),
                                          sample("pictures/chelsea.png")};
  for (const std::string& file : files)
    VELL_NEED_SAMPLE(file);
  std::vector<Bitmap> alone;
  for (const std::string& file : files)
    alone.push_back(*thumbnail(file, 300));
  std::vector<int> differences(files.size(), -1);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < differences.size(); ++t)
    threads.emplace_back([&, t] {
      Result<Bitmap> small = thumbnail(files[t % files.size()], 300);
      Result<DecodedImage> broken = decode(sample("derived/bee-truncated.jpg"));
      differences[t] = small && !broken ? maxDifference(*small, alone[t % files.size()]) : 999;
    });
  for (std::thread& thread : threads)
    thread.join();
  for (int difference : differences)
    EXPECT_EQ(difference, 0);
}

}  // namespace
}  // namespace vell::platform
