#include "place/people.hpp"

#include <algorithm>
#include <cmath>

namespace vell::place {

namespace {

bool holds(const NormalizedRect& box, double x, double y) {
  return x >= box.x && x <= box.x + box.w && y >= box.y && y <= box.y + box.h;
}

// A body below the face: about three faces wide and seven high, cut to the
// picture (lower-left origin).
NormalizedRect bodyOf(const NormalizedRect& face) {
  double left = std::max(0.0, face.x - face.w), right = std::min(1.0, face.x + 2 * face.w);
  double top = std::min(1.0, face.y + face.h), bottom = std::max(0.0, face.y - 6 * face.h);
  return {left, bottom, right - left, top - bottom};
}

}  // namespace

std::vector<RectObservation> peopleWithFaces(const std::vector<RectObservation>& humans,
                                             const std::vector<RectObservation>& faces,
                                             float countedAbove) {
  std::vector<RectObservation> people = humans;
  std::vector<bool> claimed(faces.size(), false);
  for (const auto& person : humans) {
    if (!(person.confidence > countedAbove))
      continue;
    for (size_t i = 0; i < faces.size(); ++i) {
      const auto& f = faces[i].box;
      if (!claimed[i] && holds(person.box, f.x + f.w / 2, f.y + f.h / 2)) {
        claimed[i] = true;
        break;
      }
    }
  }
  for (size_t i = 0; i < faces.size(); ++i)
    if (!claimed[i])
      people.push_back({bodyOf(faces[i].box),
                        std::max(faces[i].confidence, std::nextafter(countedAbove, 1.0f))});
  return people;
}

}  // namespace vell::place
