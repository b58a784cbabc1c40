#include "platform/vision/detector.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "common/test_folder.hpp"
#include "platform/vision/centernet_decoding.hpp"
#include "platform/vision/objectness.hpp"
#include "platform/vision/test_pictures.hpp"

namespace vell::platform::vision {
namespace {

using testing::ModelTest;

constexpr int kGrid = kCenterNetGrid;
constexpr int kPerson = 0, kCat = 15, kDog = 16, kCup = 41;

std::vector<std::string> classNames() {
  std::vector<std::string> names;
  for (int i = 0; i < kCocoClasses; ++i)
    names.push_back("class" + std::to_string(i));
  names[kPerson] = "person", names[kCat] = "cat", names[kDog] = "dog", names[kCup] = "cup";
  return names;
}

// Detector outputs, silent but for what a test sets.
struct RawDetections {
  std::vector<float> heat = std::vector<float>(kCocoClasses * kGrid * kGrid, 0.0f);
  std::vector<float> distances = std::vector<float>(4 * kGrid * kGrid, 0.0f);
  std::vector<float> features = std::vector<float>(kFeatureChannels * 4, 0.0f);

  float& at(int classIndex, int x, int y) { return heat[(classIndex * kGrid + y) * kGrid + x]; }
  // A box reaching l, t, r, b input pixels from the cell's corner.
  void box(int x, int y, float l, float t, float r, float b) {
    const float d[] = {l, t, r, b};
    for (int side = 0; side < 4; ++side)
      distances[(side * kGrid + y) * kGrid + x] = d[side];
  }
  CenterNetOutputs outputs() const { return {heat, distances, features}; }
};

TEST(CenterNetDecoding, PeaksAreLocalMaxima) {
  RawDetections raw;
  raw.at(kPerson, 10, 10) = 0.8f;  // a peak among weaker neighbours
  raw.at(kPerson, 11, 10) = 0.6f;
  raw.at(kPerson, 9, 11) = 0.7f;
  raw.at(kPerson, 50, 50) = 0.5f;  // a plateau: the first in reading order
  raw.at(kPerson, 51, 50) = 0.5f;
  raw.at(kPerson, 50, 51) = 0.5f;
  raw.at(kPerson, 0, 127) = 0.3f;  // a corner peak
  raw.at(kPerson, 90, 90) = 0.2f;  // below the threshold
  auto peaks = classPeaks(raw.outputs(), kPerson, kDetectionThreshold);
  std::vector<int> cells;
  for (const auto& p : peaks)
    cells.push_back(p.tag);
  EXPECT_EQ(cells, (std::vector<int>{10 * kGrid + 10, 50 * kGrid + 50, 127 * kGrid + 0}));
}

TEST(CenterNetDecoding, BoxesFromCentreDistances) {
  RawDetections raw;
  // A person centred on cell (32, 64), i.e. input pixel (128, 256).
  raw.at(kPerson, 32, 64) = 0.8f;
  raw.box(32, 64, 40, 100, 60, 120);
  // One reaching past the input's edges is clipped to it.
  raw.at(kPerson, 120, 4) = 0.5f;
  raw.box(120, 4, 10, 30, 50, 10);
  auto observations = decodeCenterNet(raw.outputs(), classNames());
  ASSERT_EQ(observations.humans.size(), 2u);
  const auto& person = observations.humans[0];
  EXPECT_FLOAT_EQ(person.confidence, 0.8f);
  EXPECT_NEAR(person.box.x, 88.0 / 512, 1e-6);
  EXPECT_NEAR(person.box.w, 100.0 / 512, 1e-6);
  EXPECT_NEAR(person.box.y, 1 - 376.0 / 512, 1e-6);  // lower-left origin
  EXPECT_NEAR(person.box.h, 220.0 / 512, 1e-6);
  const auto& clipped = observations.humans[1];
  EXPECT_NEAR(clipped.box.x + clipped.box.w, 1.0, 1e-6);
  EXPECT_NEAR(clipped.box.y + clipped.box.h, 1.0, 1e-6);
  EXPECT_NEAR(clipped.box.h, 26.0 / 512, 1e-6);
}

TEST(CenterNetDecoding, OverlappingDetectionsOfOnePersonCountOnce) {
  RawDetections raw;
  raw.at(kPerson, 40, 40) = 0.7f;
  raw.box(40, 40, 50, 50, 50, 50);
  raw.at(kPerson, 43, 40) = 0.4f;  // the same person, shifted a little
  raw.box(43, 40, 50, 50, 50, 50);
  raw.at(kPerson, 80, 40) = 0.5f;  // someone else
  raw.box(80, 40, 30, 50, 30, 50);
  auto observations = decodeCenterNet(raw.outputs(), classNames());
  ASSERT_EQ(observations.humans.size(), 2u);
  EXPECT_FLOAT_EQ(observations.humans[0].confidence, 0.7f);
  EXPECT_FLOAT_EQ(observations.humans[1].confidence, 0.5f);
}

TEST(CenterNetDecoding, AnAnimalSplitBetweenClasses) {
  RawDetections raw;
  // One animal: the dog peak wins, the cat is a second label, the cup at
  // the same place is no animal; a weak cow under the label threshold.
  raw.at(kDog, 64, 64) = 0.35f;
  raw.at(kCat, 64, 64) = 0.2f;
  raw.at(kCup, 64, 64) = 0.3f;
  raw.at(19, 64, 64) = 0.05f;
  raw.box(64, 64, 100, 100, 100, 100);
  auto observations = decodeCenterNet(raw.outputs(), classNames());
  ASSERT_EQ(observations.animals.size(), 1u);
  const auto& animal = observations.animals[0];
  EXPECT_FLOAT_EQ(animal.confidence, 0.35f);
  ASSERT_EQ(animal.labels.size(), 2u);
  EXPECT_EQ(animal.labels[0].identifier, "dog");
  EXPECT_EQ(animal.labels[1].identifier, "cat");
  EXPECT_FLOAT_EQ(animal.labels[1].confidence, 0.2f);

  // Below the label floor, nothing of this names the picture.
  EXPECT_TRUE(observations.labels.empty());

  // The class-agnostic object there is surer than any one class.
  ASSERT_EQ(observations.objects.size(), 1u);
  EXPECT_NEAR(observations.objects[0].confidence,
              1 - (1 - 0.35f) * (1 - 0.2f) * (1 - 0.3f) * (1 - 0.05f), 1e-6);
}

TEST(CenterNetDecoding, PictureLabelsOnlyFromDetectionsAboveTheFloor) {
  RawDetections raw;
  // A dog the detector also half takes for a cat at the same place, a cat
  // of its own elsewhere, a cup under the floor and a bench over it.
  raw.at(kDog, 30, 30) = 0.6f;
  raw.at(kCat, 30, 30) = 0.55f;
  raw.box(30, 30, 80, 80, 80, 80);
  raw.at(kCat, 100, 100) = 0.7f;
  raw.box(100, 100, 40, 40, 40, 40);
  raw.at(kCup, 64, 20) = std::nextafter(kLabelFloor, 0.0f);
  raw.box(64, 20, 20, 20, 20, 20);
  const int kBench = 13;
  raw.at(kBench, 20, 100) = 0.9f;
  raw.box(20, 100, 60, 30, 60, 30);
  auto labels = decodeCenterNet(raw.outputs(), classNames()).labels;
  auto confidence = [&](const std::string& id) {
    for (const auto& label : labels)
      if (label.identifier == id)
        return label.confidence;
    return -1.0f;
  };
  EXPECT_FLOAT_EQ(confidence("dog"), 0.6f);
  // The cat of the dog's place is the dog's shadow; the other cat counts.
  EXPECT_FLOAT_EQ(confidence("cat"), 0.7f);
  // Surely an animal where the detector hesitates between dog and cat.
  EXPECT_NEAR(confidence("animal"), 1 - 0.4f * 0.45f, 1e-6);
  EXPECT_FLOAT_EQ(confidence("class13"), 0.9f);
  // Under the floor: no cup, so no kitchen; a bench says nothing of the
  // picture's kind ("outdoor").
  EXPECT_FLOAT_EQ(confidence("cup"), -1.0f);
  EXPECT_FLOAT_EQ(confidence("kitchen"), -1.0f);
  EXPECT_FLOAT_EQ(confidence(cocoSuperCategory(kBench)), -1.0f);
  EXPECT_EQ(labels.size(), 4u);
  EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end(), [](const auto& a, const auto& b) {
    return a.confidence > b.confidence;
  }));
}

TEST(CenterNetDecoding, AnotherFloorNamesMoreOrLess) {
  RawDetections raw;
  raw.at(kDog, 30, 30) = 0.45f;
  raw.box(30, 30, 80, 80, 80, 80);
  auto names = [&](float floor) {
    std::vector<std::string> ids;
    for (const auto& label : decodeCenterNet(raw.outputs(), classNames(), floor).labels)
      ids.push_back(label.identifier);
    return ids;
  };
  // Under the class floor the detector's guess of the kind is named, not
  // its class (a gorilla it takes for a bear is an animal).
  EXPECT_EQ(names(0.4f), (std::vector<std::string>{"animal"}));
  EXPECT_TRUE(names(0.5f).empty());
  // The animal is found either way; the caller counts it from the floor.
  EXPECT_EQ(decodeCenterNet(raw.outputs(), classNames(), 0.5f).animals.size(), 1u);
  raw.at(kDog, 30, 30) = kClassFloor;
  EXPECT_EQ(names(0.4f), (std::vector<std::string>{"dog", "animal"}));
}

TEST(CenterNetDecoding, ObjectsAreCapped) {
  RawDetections raw;
  for (int i = 0; i < 15; ++i) {
    int x = 4 + i * 8;
    raw.at(kCup, x, 20) = 0.3f + 0.01f * static_cast<float>(i);
    raw.box(x, 20, 8, 8, 8, 8);
  }
  auto observations = decodeCenterNet(raw.outputs(), classNames());
  ASSERT_EQ(observations.objects.size(), kMaxObjects);
  EXPECT_NEAR(observations.objects[0].confidence, 0.44f, 1e-6);
  EXPECT_NEAR(observations.objects.back().confidence, 0.35f, 1e-6);
}

TEST(CenterNetDecoding, FeaturePrintAveragesEachChannel) {
  RawDetections raw;
  for (int cell = 0; cell < 4; ++cell) {
    raw.features[0 * 4 + cell] = static_cast<float>(cell);  // mean 1.5
    raw.features[479 * 4 + cell] = -2.0f;
  }
  auto print = decodeCenterNet(raw.outputs(), classNames()).featurePrint;
  ASSERT_EQ(print.size(), 480u);
  EXPECT_FLOAT_EQ(print[0], 1.5f);
  EXPECT_FLOAT_EQ(print[1], 0.0f);
  EXPECT_FLOAT_EQ(print[479], -2.0f);
}

TEST(CenterNetDecoding, RefusesOutputsOfTheWrongSize) {
  RawDetections raw;
  raw.at(kPerson, 10, 10) = 0.9f;
  raw.heat.pop_back();
  EXPECT_TRUE(decodeCenterNet(raw.outputs(), classNames()).humans.empty());
  RawDetections odd;
  odd.features.resize(100);
  EXPECT_TRUE(decodeCenterNet(odd.outputs(), classNames()).featurePrint.empty());
  EXPECT_TRUE(decodeCenterNet(RawDetections().outputs(), {"person"}).featurePrint.empty());
}

TEST(CenterNetDecoding, SuperCategories) {
  const std::pair<int, const char*> cases[] = {{0, "person"}, {2, "vehicle"},    {kCat, "animal"},
                                               {46, "food"},  {61, "furniture"}, {79, "indoor"}};
  for (const auto& [index, name] : cases)
    EXPECT_STREQ(cocoSuperCategory(index), name) << index;
  EXPECT_TRUE(isAnimalClass(14));
  EXPECT_TRUE(isAnimalClass(23));
  EXPECT_FALSE(isAnimalClass(24));
}

class DetectorTest : public ModelTest {};

TEST_F(DetectorTest, TheAstronautIsWhereSheIs) {
  // She fills the left two thirds of the picture, top to bottom.
  auto seen = runDetector(picture("astronaut.png"));
  ASSERT_TRUE(seen) << seen.error().text;
  ASSERT_EQ(seen->humans.size(), 1u);
  const auto& box = seen->humans[0].box;
  EXPECT_NEAR(box.x, 0.0, 0.1);
  EXPECT_NEAR(box.x + box.w, 0.72, 0.1);
  EXPECT_GT(box.h, 0.8);
  auto objects = objectnessSaliency(picture("astronaut.png"));
  ASSERT_TRUE(objects) << objects.error().text;
  ASSERT_FALSE(objects->empty());
  EXPECT_NEAR((*objects)[0].box.x, box.x, 0.05);
  EXPECT_NEAR((*objects)[0].box.w, box.w, 0.05);
}

TEST_F(DetectorTest, OddShapesFindNothing) {
  for (auto [width, height] : {std::pair{1, 1}, {2000, 3}, {3, 2000}}) {
    Bitmap grey{width, height,
                std::vector<std::uint8_t>(static_cast<size_t>(width) * height * 4, 128)};
    auto seen = runDetector(grey);
    ASSERT_TRUE(seen) << width << "x" << height << ": " << seen.error().text;
    EXPECT_TRUE(seen->humans.empty()) << width << "x" << height;
    EXPECT_TRUE(seen->animals.empty()) << width << "x" << height;
    EXPECT_EQ(seen->featurePrint.size(), 480u);
  }
}

TEST_F(DetectorTest, FailsWithoutItsFiles) {
  EXPECT_FALSE(runDetector(Bitmap{}));
  Bitmap astronaut = picture("astronaut.png");

  overrideModelsFolder("/nonexistent/models");
  auto seen = runDetector(astronaut);
  ASSERT_FALSE(seen);
  EXPECT_NE(seen.error().text.find("centernet.onnx"), std::string::npos) << seen.error().text;
  EXPECT_FALSE(objectnessSaliency(astronaut));

  // The model without its class list, then with a short one.
  TestFolder folder;
  std::filesystem::create_symlink(testing::buildModels() / "centernet.onnx",
                                  folder.path() / "centernet.onnx");
  overrideModelsFolder(folder.path());
  seen = runDetector(astronaut);
  ASSERT_FALSE(seen);
  EXPECT_NE(seen.error().text.find("centernet.classes.txt"), std::string::npos)
      << seen.error().text;
  std::ofstream(folder.path() / "centernet.classes.txt") << "person\nbicycle\n";
  EXPECT_FALSE(runDetector(astronaut));

  // A damaged model file is an error too.
  std::filesystem::remove(folder.path() / "centernet.onnx");
  std::ofstream(folder.path() / "centernet.onnx") << "not a graph";
  EXPECT_FALSE(runDetector(astronaut));
}

}  // namespace
}  // namespace vell::platform::vision
