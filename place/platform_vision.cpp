#include <algorithm>
#include <iterator>

#include "place/people.hpp"
#include "place/vision.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/centernet_decoding.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"
#include "platform/vision/inference.hpp"
#include "platform/vision/text_labels.hpp"

namespace vell::place {

namespace {

namespace vision = platform::vision;

constexpr float minimumTextHeight = 0.018f;
// People counted in the record (and so a face's person) are above this.
constexpr float countedPeople = 0.4f;
// Without reading, only regions the text detector is this sure of stand for
// text: its weaker regions are grass, ripples and fur as often as writing.
constexpr float sureTextRegion = 0.75f;
// The second look at a picture that names nothing: shrunk to this share of
// the detector's input, a subject filling the frame shows its outline.
constexpr double closeUpShare = 0.6;
// The same floor as the first look's: what is counted there is named.
constexpr float closeUpFloor = vision::kLabelFloor;

// The lines the record reports (tx): the rest are too small to name the
// picture "text" either.
std::vector<vision::RecognizedText> reportedLines(const std::vector<vision::RecognizedText>& lines) {
  std::vector<vision::RecognizedText> kept;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(kept),
               [](const vision::RecognizedText& line) { return line.box.h >= minimumTextHeight; });
  return kept;
}

class PlatformVision final : public Vision {
 public:
  Result<MainBatch> performMainBatch(const platform::Bitmap& image,
                                     const BatchRequest& request) override {
    MainBatch batch;
    // One CenterNet pass gives classification, humans, animals and the
    // feature print.
    auto detected = vision::runDetector(image);
    if (!detected)
      return detected.error();
    // A picture the first look names nothing in may be a close-up: a cat's
    // face, an apple, a ball filling the frame.
    if (detected->labels.empty()) {
      auto closer = vision::runDetectorShrunk(image, closeUpShare, closeUpFloor);
      if (!closer)
        return closer.error();
      detected->labels = std::move(closer->labels);
      if (detected->animals.empty() || detected->animals.front().confidence < vision::kLabelFloor) {
        detected->animals.clear();
        for (auto& animal : closer->animals)
          if (animal.confidence >= closeUpFloor)
            detected->animals.push_back(std::move(animal));
      }
    }
    auto faces = vision::detectFaces(image, vision::FaceHints{detected->humans});
    if (!faces)
      return faces.error();
    auto regions = vision::detectTextRegions(image);
    if (!regions)
      return regions.error();
    if (request.readText) {
      auto text = vision::recognizeTextCloser(image, *regions, request.sourcePath,
                                              {.accurate = true, .languageCorrection = true});
      if (!text)
        return text.error();
      batch.textLines = std::move(*text);
      for (const auto& line : batch.textLines)
        batch.textRectangles.push_back({line.box, line.confidence});
    } else {
      for (const auto& region : *regions)
        if (region.confidence >= sureTextRegion)
          batch.textRectangles.push_back({region.box, region.confidence});
    }
    // The faces and objects just found, not found again.
    vision::AttentionHints hints;
    hints.faces = *faces;
    hints.objects = vision::seenObjects(*detected);
    auto attention = vision::attentionSaliency(image, hints);
    if (!attention)
      return attention.error();
    double coverage = 0;
    for (const auto& rect : batch.textRectangles)
      coverage += rect.box.w * rect.box.h;
    auto aesthetics = vision::aestheticsScores(image, std::min(coverage, 1.0));
    if (!aesthetics)
      return aesthetics.error();

    batch.labels = std::move(detected->labels);
    for (auto& label : vision::textLabels(reportedLines(batch.textLines)))
      batch.labels.push_back(std::move(label));
    batch.humans = peopleWithFaces(detected->humans, *faces, countedPeople);
    batch.faces = std::move(*faces);
    batch.salientObjects = std::move(attention->salientObjects);
    // Counted as the labels name them: an animal the detector is less sure
    // of than a label needs is no animal (hay bales, rocks, bark).
    for (const auto& animal : detected->animals)
      if (animal.confidence >= vision::kLabelFloor)
        batch.animals.push_back({animal.box, animal.confidence});
    batch.aesthetics = *aesthetics;
    if (request.prints)
      batch.featurePrint = std::move(detected->featurePrint);
    return batch;
  }

  // The main batch has read every line; lines lower than 0.018 of the
  // picture are not sought.
  Result<std::vector<RecognizedText>> recognizeText(const platform::Bitmap&,
                                                    const MainBatch& batch) override {
    return reportedLines(batch.textLines);
  }
};

}  // namespace

std::unique_ptr<Vision> platformVision(int width) {
  // Settled once, before the first network loads; later calls change nothing.
  vision::setInferenceThreads(vision::processorCount() / std::max(width, 1));
  return std::make_unique<PlatformVision>();
}

}  // namespace vell::place
