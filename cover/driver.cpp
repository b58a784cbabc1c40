#include "cover/driver.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <future>

#include "common/atomic_file.hpp"
#include "cover/encode.hpp"
#include "cover/geometry.hpp"
#include "cover/heat.hpp"
#include "cover/messages.hpp"
#include "cover/render.hpp"
#include "cover/report.hpp"
#include "cover/scene.hpp"
#include "cover/settings.hpp"
#include "cover/working_image.hpp"
#include "platform/image/image.hpp"
#include "platform/image/part.hpp"

namespace vell::cover {

void fail(std::string_view message, int status) {
  std::string line(message);
  line.push_back('\n');
  // One write, so the line never interleaves with anything else.
  while (::write(STDERR_FILENO, line.data(), line.size()) < 0 && errno == EINTR) {
  }
  // Without running exit handlers: a helper thread may still be at work,
  // and nothing is buffered that would need flushing.
  std::_Exit(status);
}

namespace {

void addAestheticsOf(Report& out, std::future<std::optional<Aesthetics>>& aesthetics) {
  if (std::optional<Aesthetics> scores = aesthetics.get())
    addAesthetics(out, scores->overallScore, scores->isUtility);
}

}  // namespace

int run(const std::vector<std::string>& args) {
  // Command line and settings.
  const CommandLine commandLine = scanArguments(args);
  if (!enoughPositionals(commandLine))
    fail(usageLine, exitUsage);
  const Settings settings = readSettings(commandLine);
  const std::int64_t OW = settings.OW, OH = settings.OH;

  // Working image (the photo upright, blur regions blurred in) and the scene
  // analysis on a small copy of it; then the heat map. Only the debug
  // picture needs the whole working image in memory.
  const std::optional<std::string> debugPath = commandLine.option("--debug");
  Sighted sighted =
      loadAndAnalyse(commandLine.pos[0], commandLine.option("--blur"), debugPath.has_value());
  Result<WorkingImage>& working = sighted.working;
  if (!working)
    fail(unreadableText, exitUnreadable);
  // The photo is never written over, by the cover or by the debug picture,
  // however the path is spelled.
  const std::string& photo = commandLine.pos[0];
  if ((!commandLine.analyze() && sameFile(photo, commandLine.pos[1])) ||
      (debugPath && sameFile(photo, *debugPath)))
    fail(outputIsInputText, exitWrite);
  const double IW = working->IW, IH = working->IH;
  const Scene& scene = sighted.scene;
  const Heat heat(scene.heat, scene.hw, scene.hh);

  // Focus and crop geometry.
  GeometryInput geometryInput;
  geometryInput.IW = IW;
  geometryInput.IH = IH;
  geometryInput.heat = &heat;
  geometryInput.attention = scene.attention;
  geometryInput.objects = scene.objects;
  geometryInput.OW = OW;
  geometryInput.aspect = settings.aspect;
  geometryInput.maxZoom = settings.maxZoom;
  geometryInput.focus = commandLine.option("--focus");
  const Geometry geometry = chooseCrop(geometryInput);

  Report out = startReport(IW, IH, geometry, OW, scene.objects);

  // The crop, its aesthetics and the debug picture. A working image left in
  // the file gives only the crop's place for now: its pixels are decoded
  // with the scaling.
  const bool inFile = !sighted.photo.empty();
  Result<platform::Bitmap> crop = platform::Bitmap{};
  std::optional<platform::PixelRect> part;
  if (inFile) {
    part = platform::clipRect(cropRectangle(geometry), static_cast<int>(IW), static_cast<int>(IH));
    if (!part)
      fail(cropFailedText, exitCropOrScale);
  } else {
    crop = cutCrop(working->bitmap, geometry);
    if (!crop)
      fail(cropFailedText, exitCropOrScale);
  }
  // The aesthetics are scored on a second thread, beside the rest of the run.
  std::future<std::optional<Aesthetics>> aesthetics =
      std::async(scoreAesthetics, analysisCrop(sighted.analysisPicture, geometry.crop));
  if (debugPath)
    writeDebugPicture(*debugPath, working->bitmap, heat, scene.objects, geometry);

  // Nothing below looks at the working image again.
  working->bitmap = {};

  if (commandLine.analyze()) {
    *crop = {};
    addAestheticsOf(out, aesthetics);
    emit(out);
    return exitSuccess;
  }

  // Scaling and sharpening.
  const Sharpening sharpening =
      sharpeningFor(inFile ? part->width : crop->width, inFile ? part->height : crop->height, OW,
                    OH, commandLine.option("--sharpen"));
  if (!outputFits(OW, OH))
    fail(scaleFailedText, exitCropOrScale);
  Result<platform::Bitmap> output =
      inFile ? scaleAndSharpenFrom(sighted.photo, *part, OW, OH, sharpening)
             : scaleAndSharpen(*crop, OW, OH, sharpening);
  // Past the size check, what can fail from the file is its decoding.
  if (!output)
    fail(inFile ? unreadableText : scaleFailedText, inFile ? exitUnreadable : exitCropOrScale);
  *crop = {};
  sighted.photo = {};

  // Byte-budget JPEG and the output file. Only the encoder runs again.
  const platform::Bitmap& pixels = *output;
  Result<Encoding> encoding =
      encodeWithinBudget([&pixels](double q) { return platform::encodeJpeg(pixels, q); },
                         settings.quality, settings.maxBytes);
  if (!encoding)
    fail(encodeFailedText, exitEncode);
  Status written = writeOutput(commandLine.pos[1], encoding->bytes);
  if (!written)
    fail(written.error().text, exitWrite);

  addAestheticsOf(out, aesthetics);
  completeReport(out, encoding->bytes.size(), encoding->q, OW, OH);
  emit(out);
  return exitSuccess;
}

}  // namespace vell::cover
