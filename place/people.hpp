#pragma once

#include <vector>

#include "place/vision.hpp"

namespace vell::place {

// The people of a picture as the record counts them: the detector's people,
// and a person for every face no counted person holds. A face is a person,
// so the count of people never falls below the count of faces: a crowd the
// detector sees as a few boxes, a portrait cut off at the shoulders.
//
// Each person counted (confidence above `countedAbove`) stands for at most
// one face, the first whose centre lies inside it; a face left over becomes
// a person of its own, its box grown downwards from the face, with the
// face's confidence (raised just above `countedAbove` if it was lower).
std::vector<RectObservation> peopleWithFaces(const std::vector<RectObservation>& humans,
                                             const std::vector<RectObservation>& faces,
                                             float countedAbove);

}  // namespace vell::place
