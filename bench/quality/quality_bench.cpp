// What the placement analyser sees on each labelled photo, with the boxes
// behind its counts, beside two peers on the same analysis image: OpenCV's
// Haar cascade for faces and Tesseract's own full-page pass for words.
//
//   vell-bench-quality [--no-peers] LIST   (a key, a tab and a path a line;
//                              models from <bindir>/../share/vell/models)
//
// One JSON object a photo on standard output. Boxes are [x, y, w, h] as
// fractions of the picture with the origin at the top left. `score.py` reads
// them against the truth.

#include <tesseract/baseapi.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "place/analysis.hpp"
#include "place/picture.hpp"
#include "place/vision.hpp"

namespace {

using nlohmann::json;
using vell::platform::Bitmap;
using vell::platform::vision::NormalizedRect;
namespace place = vell::place;

constexpr int analysisSide = 1024;  // the analyser's own
constexpr const char* cascadeFile =
    "/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml";
constexpr const char* tessdata = "/usr/share/tesseract-ocr/5/tessdata";

json topLeft(const NormalizedRect& box) {
  return json::array({box.x, 1.0 - box.y - box.h, box.w, box.h});
}

// Keeps what the analyser's vision services answered, so the benchmark can
// show the boxes behind each count and the lines before the 24-line cap.
class RecordingVision final : public place::Vision {
 public:
  explicit RecordingVision(place::Vision& inner) : inner_(inner) {}

  vell::Result<place::MainBatch> performMainBatch(const Bitmap& image,
                                                  const place::BatchRequest& request) override {
    auto batch = inner_.performMainBatch(image, request);
    if (batch)
      batch_ = *batch;
    return batch;
  }

  vell::Result<std::vector<place::RecognizedText>> recognizeText(
      const Bitmap& image, const place::MainBatch& batch) override {
    auto lines = inner_.recognizeText(image, batch);
    if (lines)
      lines_ = *lines;
    return lines;
  }

  void clear() {
    batch_ = {};
    lines_.clear();
  }

  json seen() const {
    json out;
    auto rects = [](const std::vector<place::RectObservation>& found) {
      json list = json::array();
      for (const auto& o : found)
        list.push_back({{"box", topLeft(o.box)}, {"confidence", o.confidence}});
      return list;
    };
    out["faces"] = rects(batch_.faces);
    out["humans"] = rects(batch_.humans);
    out["animals"] = rects(batch_.animals);
    out["textBoxes"] = rects(batch_.textRectangles);
    out["labels"] = json::array();
    for (const auto& label : batch_.labels)
      out["labels"].push_back({label.identifier, label.confidence});
    out["lines"] = json::array();
    for (const auto& line : lines_)
      out["lines"].push_back(
          {{"text", line.string}, {"confidence", line.confidence}, {"box", topLeft(line.box)}});
    return out;
  }

 private:
  place::Vision& inner_;
  place::MainBatch batch_;
  std::vector<place::RecognizedText> lines_;
};

struct TesseractDeleter {
  void operator()(tesseract::TessBaseAPI* engine) const {
    engine->End();
    delete engine;
  }
};

cv::Mat greyOf(const Bitmap& image) {
  cv::Mat rgba(image.height, image.width, CV_8UC4, const_cast<uint8_t*>(image.rgba.data()));
  cv::Mat grey;
  cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
  return grey;
}

json haarFaces(cv::CascadeClassifier& cascade, const cv::Mat& grey) {
  std::vector<cv::Rect> found;
  cascade.detectMultiScale(grey, found);
  json faces = json::array();
  for (const auto& r : found)
    faces.push_back({{"box",
                      {double(r.x) / grey.cols, double(r.y) / grey.rows,
                       double(r.width) / grey.cols, double(r.height) / grey.rows}}});
  return faces;
}

// Tesseract left to find its own lines on the whole picture (automatic page
// segmentation), as a user of it alone would run it.
json fullPageLines(tesseract::TessBaseAPI& engine, const cv::Mat& grey) {
  engine.SetImage(grey.data, grey.cols, grey.rows, 1, int(grey.step));
  engine.SetSourceResolution(300);
  json lines = json::array();
  if (engine.Recognize(nullptr) != 0)
    return lines;
  std::unique_ptr<tesseract::ResultIterator> it(engine.GetIterator());
  if (!it)
    return lines;
  do {
    std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
    if (!text)
      continue;
    int left, top, right, bottom;
    it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
    std::string line = text.get();
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
      line.pop_back();
    lines.push_back({{"text", line},
                     {"confidence", it->Confidence(tesseract::RIL_TEXTLINE) / 100.0},
                     {"box",
                      {double(left) / grey.cols, double(top) / grey.rows,
                       double(right - left) / grey.cols, double(bottom - top) / grey.rows}}});
  } while (it->Next(tesseract::RIL_TEXTLINE));
  engine.Clear();
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  bool peers = !(argc > 1 && std::string(argv[1]) == "--no-peers");
  const char* listPath = argv[argc - 1];
  if (argc < 2 || argc > 3 || (argc == 3 && peers)) {
    std::fprintf(stderr, "usage: vell-bench-quality [--no-peers] LIST\n");
    return 2;
  }
  std::ifstream list(listPath);
  std::vector<std::pair<std::string, std::string>> photos;
  for (std::string line; std::getline(list, line);) {
    auto tab = line.find('\t');
    if (tab != std::string::npos)
      photos.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  if (photos.empty()) {
    std::fprintf(stderr, "bench: no photos in %s\n", listPath);
    return 1;
  }

  cv::CascadeClassifier cascade(cascadeFile);
  std::unique_ptr<tesseract::TessBaseAPI, TesseractDeleter> engine(new tesseract::TessBaseAPI());
  if (cascade.empty() || engine->Init(tessdata, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
    std::fprintf(stderr,
                 "bench: the Haar cascade (opencv-data) or Tesseract's eng data is missing\n");
    return 1;
  }
  engine->SetPageSegMode(tesseract::PSM_AUTO);

  auto platform = place::platformVision(1);  // one photo at a time
  RecordingVision vision(*platform);
  // Loads every network once, so no photo's time holds the loading.
  place::read("warm-up", photos.front().second, false, "always", vision);

  for (const auto& [key, path] : photos) {
    vision.clear();
    place::Record record;
    auto timing = vell::bench::medianTiming(
        1, [&] { record = place::read(key, path, false, "auto", vision); });
    json out = vision.seen();
    out["key"] = key;
    out["record"] = record;
    out["ms"] = timing.wallMs;
    out["cpuMs"] = timing.cpuMs;

    json peer;
    if (auto image = peers ? place::load(path, analysisSide) : std::nullopt) {
      cv::Mat grey = greyOf(*image);
      auto faces = vell::bench::medianTiming(1, [&] { peer["faces"] = haarFaces(cascade, grey); });
      auto text =
          vell::bench::medianTiming(1, [&] { peer["lines"] = fullPageLines(*engine, grey); });
      peer["facesMs"] = faces.wallMs;
      peer["textMs"] = text.wallMs;
    }
    out["peer"] = peer;
    std::cout << out.dump(-1, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
  }
  return 0;
}
