#include <algorithm>
#include <cmath>
#include <future>

#include "platform/vision/detector.hpp"
#include "platform/vision/test_pictures.hpp"

// The detector on real photos: inference-heavy, so kept out of the sanitizer
// run (label "slow"); the decoding and failure tests cover the same code there.

namespace vell::platform::vision {
namespace {

class DetectorPhotos : public testing::ModelTest {};

bool hasLabel(const std::vector<Classification>& labels, const std::string& id, float above) {
  return std::any_of(labels.begin(), labels.end(),
                     [&](const auto& l) { return l.identifier == id && l.confidence > above; });
}

TEST_F(DetectorPhotos, PeopleAndAnimalsOnRealPhotos) {
  struct Case {
    const char* picture;
    size_t people;       // more than 0.4 confident
    const char* animal;  // among the labels of an animal found, or none
  };
  const Case cases[] = {
      {"pool.jpg", 2, nullptr},  // two men at a pool table
      {"astronaut.png", 1, nullptr},
      {"chelsea.png", 0, "cat"},  // the detector's first guess is dog; cat is its second
      {"donna.jpg", 0, "dog"},
      {"qt-logo.jpg", 3, nullptr},
  };
  for (const auto& c : cases) {
    auto seen = runDetector(picture(c.picture));
    ASSERT_TRUE(seen) << c.picture << ": " << seen.error().text;
    auto people = std::count_if(seen->humans.begin(), seen->humans.end(),
                                [](const auto& h) { return h.confidence > 0.4f; });
    EXPECT_EQ(static_cast<size_t>(people), c.people) << c.picture;
    if (c.animal) {
      ASSERT_EQ(seen->animals.size(), 1u) << c.picture;
      EXPECT_TRUE(hasLabel(seen->animals[0].labels, c.animal, 0.1f)) << c.picture;
      // The picture's labels, when the detector is sure enough to give
      // any, name nothing but the animal.
      for (const auto& label : seen->labels)
        EXPECT_TRUE(label.identifier == "animal" ||
                    hasLabel(seen->animals[0].labels, label.identifier, 0.0f))
            << c.picture << ": " << label.identifier;
    } else {
      EXPECT_TRUE(seen->animals.empty()) << c.picture;
      EXPECT_TRUE(hasLabel(seen->labels, "person", 0.4f)) << c.picture;
    }
    ASSERT_FALSE(seen->objects.empty()) << c.picture;
    EXPECT_GT(seen->objects[0].confidence, 0.5f) << c.picture;
    EXPECT_LE(seen->objects[0].confidence, 1.0f) << c.picture;
    EXPECT_EQ(seen->featurePrint.size(), 480u);
  }
}

double distance(const std::vector<float>& a, const std::vector<float>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum);
}

TEST_F(DetectorPhotos, FeaturePrintsOfOnePictureAreClose) {
  Bitmap pool = picture("pool.jpg");
  auto print = [](const Bitmap& bitmap) {
    auto seen = runDetector(bitmap);
    EXPECT_TRUE(seen) << seen.error().text;
    return seen ? seen->featurePrint : std::vector<float>(480, 0.0f);
  };
  int w = pool.width * 4 / 5, h = pool.height * 4 / 5;
  auto left = print(testing::cropped(pool, 0, 0, w, h));
  auto right = print(testing::cropped(pool, pool.width - w, pool.height - h, w, h));
  double same = distance(left, right);
  for (const char* other : {"chelsea.png", "european-honey-bee.jpg", "jesper.jpg"})
    EXPECT_LT(same, distance(left, print(picture(other)))) << other;
}

TEST_F(DetectorPhotos, ThreadsGetTheSameAnswers) {
  Bitmap pool = picture("pool.jpg");
  auto reference = runDetector(pool);
  ASSERT_TRUE(reference) << reference.error().text;
  auto run = [&] { return runDetector(pool); };
  auto first = std::async(std::launch::async, run);
  auto second = std::async(std::launch::async, run);
  for (auto* future : {&first, &second}) {
    auto seen = future->get();
    ASSERT_TRUE(seen) << seen.error().text;
    EXPECT_EQ(seen->featurePrint, reference->featurePrint);
    EXPECT_EQ(seen->humans.size(), reference->humans.size());
  }
}

}  // namespace
}  // namespace vell::platform::vision
