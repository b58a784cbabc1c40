#include "platform/vision/faces.hpp"

#include <cmath>
#include <future>

#include "platform/vision/face_decoding.hpp"
#include "platform/vision/test_pictures.hpp"

namespace vell::platform::vision {
namespace {

using testing::ModelTest;

// Raw outputs with every anchor silent (logit -10) but those set.
struct RawFaces {
  std::vector<float> fineScores = std::vector<float>(kFineCount, -10.0f);
  std::vector<float> coarseScores = std::vector<float>(kCoarseCount, -10.0f);
  std::vector<float> fineRegressors = std::vector<float>(kFineCount * kRegressorsPerAnchor, 0.0f);
  std::vector<float> coarseRegressors =
      std::vector<float>(kCoarseCount * kRegressorsPerAnchor, 0.0f);

  // Anchor `index` of all 896 (fine ones first) with a logit and dx, dy, w, h.
  void set(int index, float logit, float dx, float dy, float w, float h) {
    bool fine = index < kFineCount;
    int i = fine ? index : index - kFineCount;
    (fine ? fineScores : coarseScores)[i] = logit;
    float* r = (fine ? fineRegressors : coarseRegressors).data() + i * kRegressorsPerAnchor;
    r[0] = dx, r[1] = dy, r[2] = w, r[3] = h;
  }
  BlazeFaceOutputs outputs(int side) const {
    return {side, fineScores, coarseScores, fineRegressors, coarseRegressors};
  }
};

TEST(FaceDecoding, AnchorsScoresAndBoxes) {
  struct Case {
    int anchor;
    float logit;
    float dx, dy, w, h;
    // Expected square-normalised box and score; score 0: not reported.
    float x0, y0, x1, y1, score;
  };
  const Case cases[] = {
      // Fine grid, cell (0, 0): anchor centre 1/32; offsets in input pixels.
      {0, 2.0f, 8, -4, 32, 64, 0.0625f - 0.0625f, 0.015625f - 0.125f, 0.0625f + 0.0625f,
       0.015625f + 0.125f, 0.8808f},
      // Second anchor of cell (1, 0) of the fine grid: centre (3/32, 1/32).
      {3, 0.0f, 0, 0, 64, 64, 0.09375f - 0.125f, 0.03125f - 0.125f, 0.09375f + 0.125f,
       0.03125f + 0.125f, 0.5f},
      // Fine grid, cell (0, 1) starts at anchor 32.
      {32, 1.0f, 0, 0, 32, 32, 0.03125f - 0.0625f, 0.09375f - 0.0625f, 0.03125f + 0.0625f,
       0.09375f + 0.0625f, 0.7311f},
      // Last coarse anchor: cell (7, 7), centre 15/16.
      {kFineCount + kCoarseCount - 1, 3.0f, 0, 0, 32, 32, 0.9375f - 0.0625f, 0.9375f - 0.0625f,
       0.9375f + 0.0625f, 0.9375f + 0.0625f, 0.9526f},
      // Below the threshold, and a box without size.
      {10, -0.1f, 0, 0, 32, 32, 0, 0, 0, 0, 0},
      {11, 4.0f, 0, 0, 0, 32, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    RawFaces raw;
    raw.set(c.anchor, c.logit, c.dx, c.dy, c.w, c.h);
    auto boxes = decodeBlazeFace(raw.outputs(256), 0.5f);
    if (c.score == 0) {
      EXPECT_TRUE(boxes.empty()) << "anchor " << c.anchor;
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u) << "anchor " << c.anchor;
    EXPECT_NEAR(boxes[0].x0, c.x0, 1e-5) << c.anchor;
    EXPECT_NEAR(boxes[0].y0, c.y0, 1e-5) << c.anchor;
    EXPECT_NEAR(boxes[0].x1, c.x1, 1e-5) << c.anchor;
    EXPECT_NEAR(boxes[0].y1, c.y1, 1e-5) << c.anchor;
    EXPECT_NEAR(boxes[0].score, c.score, 1e-4) << c.anchor;
  }
}

TEST(FaceDecoding, RefusesBrokenOutputs) {
  RawFaces raw;
  raw.set(5, NAN, 0, 0, 32, 32);
  EXPECT_TRUE(decodeBlazeFace(raw.outputs(128), 0.5f).empty());
  raw.set(5, 5.0f, 0, 0, 32, 32);
  raw.fineScores.pop_back();
  EXPECT_TRUE(decodeBlazeFace(raw.outputs(128), 0.5f).empty());
  RawFaces fine;
  fine.set(5, 5.0f, 0, 0, 32, 32);
  EXPECT_TRUE(decodeBlazeFace(fine.outputs(0), 0.5f).empty());
}

TEST(FaceDecoding, CombinesTheTwoModels) {
  const ScoredBox smallFace{0.1f, 0.1f, 0.2f, 0.2f, 0.9f};
  const ScoredBox smallFaceAgain{0.11f, 0.1f, 0.21f, 0.2f, 0.7f};
  const ScoredBox largeFace{0.2f, 0.2f, 0.7f, 0.7f, 0.95f};
  const ScoredBox nearFace{0.21f, 0.2f, 0.71f, 0.7f, 0.8f};
  const ScoredBox nearDuplicateOfSmall{0.1f, 0.1f, 0.2f, 0.2f, 0.85f};

  // A full-range face blends with its neighbours; large ones need the
  // near-face model.
  auto faces = combineFaceModels({smallFace, smallFaceAgain, largeFace}, {});
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_FLOAT_EQ(faces[0].score, 0.9f);
  EXPECT_NEAR(faces[0].x0, (0.1f * 0.9f + 0.11f * 0.7f) / 1.6f, 1e-6);

  faces = combineFaceModels({smallFace, largeFace}, {nearFace, nearDuplicateOfSmall});
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_FLOAT_EQ(faces[0].score, 0.9f);  // the small face, once
  EXPECT_FLOAT_EQ(faces[1].score, 0.8f);  // the large face, from the near-face model
}

TEST(FaceDecoding, LetterboxGeometry) {
  // 400 x 200 in a 256 square: 256 x 128, 64 pixels of padding above.
  Letterbox box = letterboxFor(400, 200, 256);
  EXPECT_EQ(box.width, 256);
  EXPECT_EQ(box.height, 128);
  EXPECT_EQ(box.x, 0);
  EXPECT_EQ(box.y, 64);
  struct Case {
    ScoredBox square;
    NormalizedRect expected;
  };
  const Case cases[] = {
      // Square y 0.375..0.5 is picture rows 0.25..0.5 from the top.
      {{0.25f, 0.375f, 0.5f, 0.5f, 1}, {0.25, 0.5, 0.25, 0.25}},
      // Reaching into the padding and past the right edge: clipped.
      {{0.9f, 0.125f, 1.1f, 0.375f, 1}, {0.9, 0.75, 0.1, 0.25}},
  };
  for (const auto& c : cases) {
    NormalizedRect r = pictureRect(c.square, box);
    EXPECT_NEAR(r.x, c.expected.x, 1e-6);
    EXPECT_NEAR(r.y, c.expected.y, 1e-6);
    EXPECT_NEAR(r.w, c.expected.w, 1e-6);
    EXPECT_NEAR(r.h, c.expected.h, 1e-6);
  }
  // A box found at one input size lands on the same part of the picture at
  // another, although the padding rounds differently (451 x 300: 21 vs 43).
  Letterbox small = letterboxFor(451, 300, 128), large = letterboxFor(451, 300, 256);
  ScoredBox found{0.3f, 0.3f, 0.6f, 0.5f, 1};
  NormalizedRect direct = pictureRect(found, small);
  NormalizedRect moved = pictureRect(moveToLetterbox(found, small, large), large);
  EXPECT_NEAR(direct.y, moved.y, 1e-5);
  EXPECT_NEAR(direct.h, moved.h, 1e-5);
  EXPECT_NEAR(direct.x, moved.x, 1e-5);
}

TEST(FaceDecoding, CloserLookTiles) {
  // Small pictures get none; larger ones four 60 % tiles at the corners.
  EXPECT_TRUE(detailTiles(511, 300).empty());
  auto tiles = detailTiles(1000, 500);
  ASSERT_EQ(tiles.size(), 4u);
  const PixelTile expected[] = {
      {0, 0, 600, 300}, {400, 0, 600, 300}, {0, 200, 600, 300}, {400, 200, 600, 300}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tiles[i].x, expected[i].x) << i;
    EXPECT_EQ(tiles[i].y, expected[i].y) << i;
    EXPECT_EQ(tiles[i].width, expected[i].width) << i;
    EXPECT_EQ(tiles[i].height, expected[i].height) << i;
  }
  // The middle of the last tile is 70 % across and 70 % down the picture.
  ScoredBox inTile{0.4f, 0.4f, 0.6f, 0.6f, 0.9f};
  ScoredBox inPicture = tileToPicture(inTile, tiles[3], 1000, 500);
  EXPECT_NEAR(inPicture.x0, 0.64, 1e-6);
  EXPECT_NEAR(inPicture.x1, 0.76, 1e-6);
  EXPECT_NEAR(inPicture.y0, 0.64, 1e-6);
  EXPECT_NEAR(inPicture.y1, 0.76, 1e-6);

  // A face both passes found is reported once, the more confident one;
  // one only a tile found is added.
  ScoredBox whole{0.1f, 0.1f, 0.2f, 0.2f, 0.8f};
  ScoredBox sameFace{0.11f, 0.1f, 0.2f, 0.21f, 0.95f};
  auto faces = mergeFaces({whole}, {sameFace, inPicture});
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_FLOAT_EQ(faces[0].score, 0.95f);
  EXPECT_FLOAT_EQ(faces[1].score, 0.9f);
  NormalizedRect rect = lowerLeftRect(faces[1]);
  EXPECT_NEAR(rect.y, 0.24, 1e-6);
  EXPECT_NEAR(rect.h, 0.12, 1e-6);
}

class FacesTest : public ModelTest {};

TEST_F(FacesTest, CountsFacesOnRealPhotos) {
  struct Case {
    const char* picture;
    size_t faces;
  };
  const Case cases[] = {
      {"jesper.jpg", 1},     // one face filling the frame
      {"astronaut.png", 1},  //
      {"qt-logo.jpg", 3},    // three men side by side
      {"pool.jpg", 2},       // a face in profile, and one found only by the tiles
      {"european-honey-bee.jpg", 0},
      {"chelsea.png", 0},  // a cat's face is not a face
      // The detector's doubtful faces, settled by FaceMesh: two orange
      // slices (0.5) go, a girl half turned away (0.7) stays.
      {"citrus-fruits.jpg", 0},
      {"cold_water.jpg", 2},
  };
  for (const auto& c : cases) {
    auto faces = detectFaces(picture(c.picture));
    ASSERT_TRUE(faces) << c.picture << ": " << faces.error().text;
    EXPECT_EQ(faces->size(), c.faces) << c.picture;
  }
}

TEST_F(FacesTest, PlacesTheFaceWithALowerLeftOrigin) {
  // The astronaut's face: centred at about 44% across and 25% down.
  auto faces = detectFaces(picture("astronaut.png"));
  ASSERT_TRUE(faces) << faces.error().text;
  ASSERT_EQ(faces->size(), 1u);
  const auto& face = (*faces)[0];
  EXPECT_NEAR(face.box.x + face.box.w / 2, 0.44, 0.04);
  EXPECT_NEAR(face.box.y + face.box.h / 2, 0.75, 0.04);
  EXPECT_GT(face.box.w, 0.12);
  EXPECT_LT(face.box.w, 0.3);
  EXPECT_GT(face.confidence, 0.75f);
  EXPECT_LE(face.confidence, 1.0f);

  // The three men are reported strongest first, boxes inside the picture.
  faces = detectFaces(picture("qt-logo.jpg"));
  ASSERT_TRUE(faces) << faces.error().text;
  for (size_t i = 0; i < faces->size(); ++i) {
    const auto& box = (*faces)[i].box;
    EXPECT_GE(box.x, 0);
    EXPECT_GE(box.y, 0);
    EXPECT_LE(box.x + box.w, 1 + 1e-9);
    EXPECT_LE(box.y + box.h, 1 + 1e-9);
    if (i > 0) {
      EXPECT_GE((*faces)[i - 1].confidence, (*faces)[i].confidence);
    }
  }
}

TEST_F(FacesTest, TransparentPixelsAreNotLookedAt) {
  Bitmap astronaut = picture("astronaut.png");
  for (size_t i = 3; i < astronaut.rgba.size(); i += 4)
    astronaut.rgba[i] = 0;
  auto faces = detectFaces(astronaut);
  ASSERT_TRUE(faces) << faces.error().text;
  EXPECT_TRUE(faces->empty());
}

TEST_F(FacesTest, ThreadsGetTheSameAnswers) {
  Bitmap men = picture("qt-logo.jpg");
  auto count = [&] {
    auto faces = detectFaces(men);
    return faces ? static_cast<int>(faces->size()) : -1;
  };
  auto first = std::async(std::launch::async, count);
  auto second = std::async(std::launch::async, count);
  EXPECT_EQ(first.get(), 3);
  EXPECT_EQ(second.get(), 3);
}

TEST_F(FacesTest, OddShapesFindNothing) {
  for (auto [width, height] : {std::pair{1, 1}, {2000, 3}, {3, 2000}, {600, 1}}) {
    Bitmap grey{width, height,
                std::vector<std::uint8_t>(static_cast<size_t>(width) * height * 4, 128)};
    auto faces = detectFaces(grey);
    ASSERT_TRUE(faces) << width << "x" << height << ": " << faces.error().text;
    EXPECT_TRUE(faces->empty()) << width << "x" << height;
  }
}

TEST_F(FacesTest, FailsWithoutModelsOrPixels) {
  EXPECT_FALSE(detectFaces(Bitmap{}));
  Bitmap inconsistent{10, 10, std::vector<std::uint8_t>(12)};
  EXPECT_FALSE(detectFaces(inconsistent));

  overrideModelsFolder("/nonexistent/models");
  auto faces = detectFaces(picture("astronaut.png"));
  ASSERT_FALSE(faces);
  EXPECT_NE(faces.error().text.find("face_detection_back_256x256"), std::string::npos)
      << faces.error().text;
}

}  // namespace
}  // namespace vell::platform::vision
