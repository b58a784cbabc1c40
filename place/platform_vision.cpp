#include <algorithm>
#include <iterator>

#include "place/vision.hpp"
#include "platform/vision/attention.hpp"
#include "platform/vision/detector.hpp"
#include "platform/vision/faces.hpp"
#include "platform/vision/inference.hpp"
#include "platform/vision/text_labels.hpp"

namespace vell::place {

namespace {

namespace vision = platform::vision;

constexpr float minimumTextHeight = 0.018f;

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
    // Only lines that read count as text: the detector alone finds lines in
    // grass, ripples and fur.
    auto regions = vision::detectTextRegions(image);
    if (!regions)
      return regions.error();
    auto text =
        vision::recognizeText(image, *regions, {.accurate = true, .languageCorrection = true});
    if (!text)
      return text.error();
    for (const auto& line : *text)
      batch.textRectangles.push_back({line.box, line.confidence});
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
    for (auto& label : vision::textLabels(*text))
      batch.labels.push_back(std::move(label));
    batch.faces = std::move(*faces);
    batch.textLines = std::move(*text);
    batch.humans = std::move(detected->humans);
    batch.salientObjects = std::move(attention->salientObjects);
    for (const auto& animal : detected->animals)
      batch.animals.push_back({animal.box, animal.confidence});
    batch.aesthetics = *aesthetics;
    if (prints)
      batch.featurePrint = std::move(detected->featurePrint);
    return batch;
  }

  // The main batch has read every line; lines lower than 0.018 of the
  // picture are not sought.
  Result<std::vector<RecognizedText>> recognizeText(const platform::Bitmap&,
                                                    const MainBatch& batch) override {
    std::vector<RecognizedText> lines;
    std::copy_if(batch.textLines.begin(), batch.textLines.end(), std::back_inserter(lines),
                 [](const RecognizedText& line) { return line.box.h >= minimumTextHeight; });
    return lines;
  }
};

}  // namespace

std::unique_ptr<Vision> platformVision(int width) {
  // Settled once, before the first network loads; later calls change nothing.
  vision::setInferenceThreads(vision::processorCount() / std::max(width, 1));
  return std::make_unique<PlatformVision>();
}

}  // namespace vell::place
