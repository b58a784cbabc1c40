#include <algorithm>

#include "place/vision.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"

namespace vell::place {

namespace {

namespace vision = platform::vision;

class PlatformVision final : public Vision {
 public:
  Result<MainBatch> performMainBatch(const platform::Bitmap& image, bool prints) override {
    MainBatch batch;
    // One CenterNet pass gives classification, humans, animals and the
    // feature print.
    auto detected = vision::runDetector(image);
    if (!detected)
      return detected.error();
    auto faces = vision::detectFaces(image);
    if (!faces)
      return faces.error();
    auto text = vision::detectTextRectangles(image);
    if (!text)
      return text.error();
    auto attention = vision::attentionSaliency(image);
    if (!attention)
      return attention.error();
    double coverage = 0;
    for (const auto& rect : *text)
      coverage += rect.box.w * rect.box.h;
    auto aesthetics = vision::aestheticsScores(image, std::min(coverage, 1.0));
    if (!aesthetics)
      return aesthetics.error();

    batch.labels = std::move(detected->labels);
    batch.faces = std::move(*faces);
    batch.textRectangles = std::move(*text);
    batch.humans = std::move(detected->humans);
    batch.salientObjects = std::move(attention->salientObjects);
    for (const auto& animal : detected->animals)
      batch.animals.push_back({animal.box, animal.confidence});
    batch.aesthetics = *aesthetics;
    if (prints)
      batch.featurePrint = std::move(detected->featurePrint);
    return batch;
  }

  Result<std::vector<RecognizedText>> recognizeText(const platform::Bitmap& image,
                                                    const MainBatch& batch) override {
    return vision::recognizeText(
        image, batch.textRectangles,
        {.minimumTextHeight = 0.018f, .accurate = true, .languageCorrection = true});
  }
};

}  // namespace

std::unique_ptr<Vision> platformVision() {
  return std::make_unique<PlatformVision>();
}

}  // namespace vell::place
