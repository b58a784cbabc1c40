#include "place/analysis.hpp"

#include <algorithm>

#include "common/r3.hpp"
#include "place/feature_print.hpp"
#include "place/messages.hpp"
#include "place/picture.hpp"
#include "place/text_policy.hpp"

namespace vell::place {

namespace {

constexpr int maxSide = 1024;
constexpr float labelThreshold = 0.08f;
constexpr size_t maxLabels = 20;
constexpr float peopleThreshold = 0.4f;

}  // namespace

Record labelsMember(const std::vector<Classification>& labels) {
  std::vector<Classification> kept;
  std::copy_if(labels.begin(), labels.end(), std::back_inserter(kept),
               [](const Classification& label) { return label.confidence > labelThreshold; });
  std::stable_sort(kept.begin(), kept.end(), [](const Classification& a, const Classification& b) {
    return a.confidence > b.confidence;
  });
  if (kept.size() > maxLabels)
    kept.resize(maxLabels);
  Record l = Record::array();
  for (const auto& label : kept)
    l.push_back(Record::array({label.identifier, r3(double(label.confidence))}));
  return l;
}

int peopleCount(const std::vector<RectObservation>& humans) {
  return int(std::count_if(humans.begin(), humans.end(), [](const RectObservation& human) {
    return human.confidence > peopleThreshold;
  }));
}

std::optional<double> widestFace(const std::vector<RectObservation>& faces) {
  if (faces.empty())
    return std::nullopt;
  double widest = faces.front().box.w;
  for (const auto& face : faces)
    widest = std::max(widest, face.box.w);
  return widest;
}

std::optional<Record> salientMember(const std::vector<NormalizedRect>& regions) {
  if (regions.empty())
    return std::nullopt;
  const NormalizedRect* largest = &regions.front();
  for (const auto& region : regions)
    if (region.w * region.h > largest->w * largest->h)
      largest = &region;
  return Record::array(
      {r3(largest->x), r3(1 - (largest->y + largest->h)), r3(largest->w), r3(largest->h)});
}

double textCoverage(const std::vector<RectObservation>& rectangles) {
  double sum = 0;
  for (const auto& rectangle : rectangles)
    sum += rectangle.box.w * rectangle.box.h;
  return std::min(sum, 1.0);
}

Record read(const std::string& key, const std::string& path, bool prints, const std::string& ocr,
            Vision& vision) {
  Record record;
  record["k"] = key;
  auto image = load(path, maxSide);
  if (!image) {
    record["error"] = errorUnreadable;
    return record;
  }
  record["w"] = image->width;
  record["h"] = image->height;

  BatchRequest request{prints, readsText(ocr), path};
  auto batch = vision.performMainBatch(*image, request);
  if (!batch) {
    record["error"] = errorVision;
    return record;
  }
  record["l"] = labelsMember(batch->labels);
  record["f"] = batch->faces.size();
  if (auto fw = widestFace(batch->faces))
    record["fw"] = r3(*fw);
  record["hb"] = peopleCount(batch->humans);
  record["an"] = batch->animals.size();
  if (batch->aesthetics) {
    record["a"] = r3(double(batch->aesthetics->overallScore));
    record["u"] = batch->aesthetics->isUtility ? 1 : 0;
  }
  if (auto sal = salientMember(batch->salientObjects))
    record["sal"] = *sal;
  record["sh"] = sharpness(*image);
  record["tc"] = r3(textCoverage(batch->textRectangles));
  if (auto tx = recognizeText(vision, *image, *batch, ocr))
    record["tx"] = *tx;
  if (prints && batch->featurePrint)
    record["fp"] = quantisedFeaturePrint(*batch->featurePrint);
  return record;
}

}  // namespace vell::place
