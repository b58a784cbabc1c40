#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/result.hpp"
#include "platform/image/bitmap.hpp"
#include "platform/vision/aesthetics.hpp"
#include "platform/vision/observation.hpp"
#include "platform/vision/text.hpp"

namespace vell::place {

using platform::vision::AestheticsObservation;
using platform::vision::Classification;
using platform::vision::NormalizedRect;
using platform::vision::RecognizedText;
using platform::vision::RectObservation;

// The observations of the main batch of one analysis image, each request's
// in the order the platform returned them.
struct MainBatch {
  std::vector<Classification> labels;
  std::vector<RectObservation> faces;
  // The lines of text: every detected line the recogniser reads with
  // confidence, and what it read (for the second pass).
  std::vector<RectObservation> textRectangles;
  std::vector<RecognizedText> textLines;
  std::vector<RectObservation> humans;
  std::vector<NormalizedRect> salientObjects;  // of the first saliency observation
  std::vector<RectObservation> animals;
  std::optional<AestheticsObservation> aesthetics;
  std::optional<std::vector<float>> featurePrint;  // asked for with `prints` only
};

// What the main batch is asked for besides the requests it always runs.
struct BatchRequest {
  // The feature print (`--prints`).
  bool prints = false;
  // Whether the lines of text are read. Only lines that read count as text
  // (grass, ripples and fur give the detector line-like regions); without
  // reading, the text rectangles are the detector's surest regions.
  bool readText = true;
  // The picture's file: small print is read from its own pixels rather
  // than from the analysis image.
  std::string sourcePath;
};

// The vision services `read` relies on. Each call may run on any worker at
// the same time as others.
class Vision {
 public:
  virtual ~Vision() = default;
  // Every request of the main batch on `image`; an Error when any fails.
  virtual Result<MainBatch> performMainBatch(const platform::Bitmap& image,
                                             const BatchRequest& request) = 0;
  // The second pass: accurate recognition with language correction, text
  // lower than 0.018 of the image height not sought. `batch` is the main
  // batch of the same image, whose text rectangles the pass may reuse.
  virtual Result<std::vector<RecognizedText>> recognizeText(const platform::Bitmap& image,
                                                            const MainBatch& batch) = 0;
};

// The platform's vision services for one of `width` pictures analysed at
// once. The networks they run are shared by all pictures, and each run of a
// network uses about the processors over `width`, so that the pictures run
// in parallel instead of fighting over the processors.
std::unique_ptr<Vision> platformVision(int width);

}  // namespace vell::place
