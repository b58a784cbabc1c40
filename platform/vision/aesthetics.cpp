#include "platform/vision/aesthetics.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <opencv2/imgproc.hpp>
#include <opencv2/quality/qualitybrisque.hpp>

#include "platform/vision/models.hpp"
#include "platform/vision/text.hpp"

namespace vell::platform::vision {

namespace {

constexpr const char* modelFile = "brisque_model_live.yml";
constexpr const char* rangeFile = "brisque_range_live.yml";

Result<cv::quality::QualityBRISQUE*> threadBrisque() {
  thread_local cv::Ptr<cv::quality::QualityBRISQUE> brisque;
  if (brisque)
    return brisque.get();
  auto model = modelsFolder() / modelFile, range = modelsFolder() / rangeFile;
  if (!std::filesystem::exists(model) || !std::filesystem::exists(range))
    return Error{"aesthetics model missing: " + model.string()};
  try {
    brisque = cv::quality::QualityBRISQUE::create(model.string(), range.string());
  } catch (const cv::Exception& error) {
    return Error{std::string("aesthetics model unreadable: ") + error.what()};
  }
  return brisque.get();
}

}  // namespace

double colourfulness(const Bitmap& picture) {
  if (picture.empty())
    return 0;
  double sumRg = 0, sumYb = 0, squaresRg = 0, squaresYb = 0;
  const size_t n = size_t(picture.width) * picture.height;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = picture.rgba.data() + i * 4;
    double rg = double(p[0]) - p[1];
    double yb = 0.5 * (double(p[0]) + p[1]) - p[2];
    sumRg += rg, sumYb += yb, squaresRg += rg * rg, squaresYb += yb * yb;
  }
  double meanRg = sumRg / n, meanYb = sumYb / n;
  double varianceRg = std::max(0.0, squaresRg / n - meanRg * meanRg);
  double varianceYb = std::max(0.0, squaresYb / n - meanYb * meanYb);
  return std::sqrt(varianceRg + varianceYb) + 0.3 * std::hypot(meanRg, meanYb);
}

float scoreFromBrisque(double brisque) {
  if (!std::isfinite(brisque))
    return -1;
  return float(std::clamp(1.0 - brisque / 50.0, -1.0, 1.0));
}

bool looksLikeUtility(double textCoverage, double colourfulnessValue) {
  return textCoverage >= 0.2 || (textCoverage >= 0.03 && colourfulnessValue < 15);
}

Result<AestheticsObservation> aestheticsScores(const Bitmap& picture, double textCoverage) {
  if (picture.empty())
    return Error{"aesthetics: empty picture"};
  auto brisque = threadBrisque();
  if (!brisque)
    return brisque.error();
  try {
    cv::Mat rgba(picture.height, picture.width, CV_8UC4, const_cast<uint8_t*>(picture.rgba.data()));
    cv::Mat bgr;
    cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
    double score = (*brisque)->compute(bgr)[0];
    return AestheticsObservation{scoreFromBrisque(score),
                                 looksLikeUtility(textCoverage, colourfulness(picture))};
  } catch (const cv::Exception& error) {
    return Error{std::string("aesthetics: ") + error.what()};
  }
}

Result<AestheticsObservation> aestheticsScores(const Bitmap& picture) {
  auto rects = detectTextRectangles(picture);
  if (!rects)
    return rects.error();
  double coverage = 0;
  for (const auto& rect : *rects)
    coverage += rect.box.w * rect.box.h;
  return aestheticsScores(picture, std::min(coverage, 1.0));
}

}  // namespace vell::platform::vision
