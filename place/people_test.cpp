#include "place/people.hpp"

#include <gtest/gtest.h>

#include "place/analysis.hpp"

namespace vell::place {
namespace {

constexpr float counted = 0.4f;

RectObservation at(double x, double y, double w, double h, float confidence) {
  return {{x, y, w, h}, confidence};
}

TEST(PeopleWithFaces, EveryFaceIsAPersonOnce) {
  struct Case {
    const char* name;
    std::vector<RectObservation> humans, faces;
    int people;
  };
  const std::vector<Case> cases = {
      {"no one", {}, {}, 0},
      {"a body holding its face", {at(0.1, 0.0, 0.3, 0.9, 0.8)}, {at(0.2, 0.7, 0.1, 0.1, 0.9)}, 1},
      {"a portrait: the face alone", {}, {at(0.3, 0.3, 0.4, 0.5, 0.95)}, 1},
      // A crowd the detector sees as one box: each face beyond the first is
      // another person.
      {"three faces in one box",
       {at(0.0, 0.0, 1.0, 1.0, 0.6)},
       {at(0.1, 0.7, 0.05, 0.05, 0.9), at(0.4, 0.7, 0.05, 0.05, 0.9),
        at(0.7, 0.7, 0.05, 0.05, 0.9)},
       3},
      // A person below the count does not hold a face.
      {"an unsure body", {at(0.1, 0.0, 0.3, 0.9, 0.3)}, {at(0.2, 0.7, 0.1, 0.1, 0.9)}, 1},
      {"bodies without faces stay", {at(0.1, 0.0, 0.2, 0.9, 0.7), at(0.6, 0.0, 0.2, 0.9, 0.7)},
       {at(0.15, 0.7, 0.05, 0.1, 0.9)}, 2},
  };
  for (const auto& c : cases) {
    auto people = peopleWithFaces(c.humans, c.faces, counted);
    EXPECT_EQ(peopleCount(people), c.people) << c.name;
    EXPECT_GE(peopleCount(people), int(c.faces.size())) << c.name;
  }
}

TEST(PeopleWithFaces, AFaceOfLowScoreStillCountsAndItsBodyStaysInThePicture) {
  auto people = peopleWithFaces({}, {at(0.0, 0.0, 0.1, 0.1, 0.2f)}, counted);
  ASSERT_EQ(people.size(), 1u);
  EXPECT_GT(people[0].confidence, counted);
  const auto& box = people[0].box;
  EXPECT_GE(box.x, 0.0);
  EXPECT_GE(box.y, 0.0);
  EXPECT_LE(box.x + box.w, 1.0 + 1e-9);
  EXPECT_LE(box.y + box.h, 1.0 + 1e-9);
  EXPECT_GT(box.w * box.h, 0.0);
}

}  // namespace
}  // namespace vell::place
