#pragma once

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"

namespace vell::platform::vision {

// Both values are heuristics: no aesthetics model can be had here.
// `overallScore` is BRISQUE technical quality (blur, noise, blockiness) mapped
// into -1..1: 1 - score / 50, clamped, so a BRISQUE score of 0 gives 1, 50
// gives 0 and 100 or worse gives -1. `isUtility` marks documents, screenshots
// and receipts: text covering at least a fifth of the picture, or at least
// 3 % text on a nearly colourless picture (Hasler-Suesstrunk colourfulness
// below 15).
struct AestheticsObservation {
  float overallScore = 0;
  bool isUtility = false;
};

// Scores `picture`, running the text detector for the text coverage. An
// Error when a model is missing or inference fails. Safe to call from several
// threads.
Result<AestheticsObservation> aestheticsScores(const Bitmap& picture);

// The same, with the share of the picture covered by text already known
// (0..1), for callers that ran text detection anyway.
Result<AestheticsObservation> aestheticsScores(const Bitmap& picture, double textCoverage);

// The measurable signals behind the two values, exposed for tests.
double colourfulness(const Bitmap& picture);
float scoreFromBrisque(double brisque);
bool looksLikeUtility(double textCoverage, double colourfulness);

}  // namespace vell::platform::vision
