#include <tesseract/baseapi.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <opencv2/imgproc.hpp>

#include "platform/vision/text.hpp"

namespace vell::platform::vision {

namespace {

// Debian's tesseract-ocr-eng; more languages are packages beside it.
constexpr const char* tessdata = "/usr/share/tesseract-ocr/5/tessdata";
constexpr const char* language = "eng";
// Tesseract reads lines best at about this height in pixels.
constexpr int accurateLineHeight = 48;
constexpr int smallestLineHeight = 20;

struct EngineDeleter {
  void operator()(tesseract::TessBaseAPI* engine) const {
    engine->End();
    delete engine;
  }
};
using Engine = std::unique_ptr<tesseract::TessBaseAPI, EngineDeleter>;

Result<tesseract::TessBaseAPI*> threadEngine(bool languageCorrection) {
  thread_local Engine withWords, withoutWords;
  Engine& engine = languageCorrection ? withWords : withoutWords;
  if (engine)
    return engine.get();
  if (!std::filesystem::exists(std::filesystem::path(tessdata) /
                               (std::string(language) + ".traineddata")))
    return Error{std::string("text recognition data missing in ") + tessdata};
  // The word lists are what language correction means for Tesseract; they can
  // only be chosen when the engine starts.
  std::vector<std::string> names = {"load_system_dawg", "load_freq_dawg", "debug_file"};
  std::vector<std::string> values = {languageCorrection ? "1" : "0", languageCorrection ? "1" : "0",
                                     "/dev/null"};
  Engine fresh(new tesseract::TessBaseAPI());
  if (fresh->Init(tessdata, language, tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values,
                  false) != 0)
    return Error{"text recognition engine did not start"};
  fresh->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  engine = std::move(fresh);
  return engine.get();
}

std::string trimTrailingNewlines(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  return text;
}

}  // namespace

Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const TextRecognitionOptions& options) {
  auto boxes = detectTextRectangles(picture);
  if (!boxes)
    return boxes.error();
  return recognizeText(picture, *boxes, options);
}

Result<std::vector<RecognizedText>> recognizeText(const Bitmap& picture,
                                                  const std::vector<RectObservation>& boxes,
                                                  const TextRecognitionOptions& options) {
  if (picture.empty())
    return Error{"text recognition: empty picture"};
  auto engine = threadEngine(options.languageCorrection);
  if (!engine)
    return engine.error();
  cv::Mat rgba(picture.height, picture.width, CV_8UC4, const_cast<uint8_t*>(picture.rgba.data()));
  cv::Mat grey;
  cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
  std::vector<RecognizedText> lines;
  for (const auto& found : boxes) {
    const NormalizedRect& box = found.box;
    if (box.h < options.minimumTextHeight)
      continue;
    int left = int(std::floor(box.x * picture.width));
    int top = int(std::floor((1.0 - box.y - box.h) * picture.height));
    int right = int(std::ceil((box.x + box.w) * picture.width));
    int bottom = int(std::ceil((1.0 - box.y) * picture.height));
    cv::Rect cut = cv::Rect(left, top, right - left, bottom - top) &
                   cv::Rect(0, 0, picture.width, picture.height);
    if (cut.width < 2 || cut.height < 2)
      continue;
    cv::Mat line = grey(cut);
    int wanted = options.accurate ? accurateLineHeight : std::max(cut.height, smallestLineHeight);
    if (wanted != cut.height) {
      double scale = double(wanted) / cut.height;
      cv::Mat scaled;
      cv::resize(line, scaled, cv::Size(std::max(1, int(std::lround(cut.width * scale))), wanted),
                 0, 0, scale > 1 ? cv::INTER_CUBIC : cv::INTER_AREA);
      line = scaled;
    } else {
      line = line.clone();
    }
    (*engine)->SetImage(line.data, line.cols, line.rows, 1, int(line.step));
    (*engine)->SetSourceResolution(300);
    std::unique_ptr<char[]> text((*engine)->GetUTF8Text());
    if (!text)
      continue;
    float confidence = std::clamp((*engine)->MeanTextConf() / 100.0f, 0.0f, 1.0f);
    lines.push_back({trimTrailingNewlines(text.get()), confidence, box});
  }
  (*engine)->Clear();
  return lines;
}

}  // namespace vell::platform::vision
