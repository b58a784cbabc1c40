#include "cutout/driver.hpp"

#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/atomic_file.hpp"
#include "cutout/messages.hpp"
#include "platform/image/image.hpp"
#include "platform/vision/foreground.hpp"
#include "platform/vision/foreground_mask.hpp"

namespace vell::cutout {

namespace {

namespace image = vell::platform;
namespace vision = vell::platform::vision;

// Created like any new file: read-write for everyone the umask allows.
constexpr mode_t outputMode = 0666;

// Writes `text` and a newline to standard error in one piece.
void writeLine(std::string_view text) {
  std::string line(text);
  line += '\n';
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n <= 0)
      return;
    done += static_cast<size_t>(n);
  }
}

int fail(Exit status, std::string_view text) {
  writeLine(text);
  return static_cast<int>(status);
}

}  // namespace

int run(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.size() != 2)
    return fail(Exit::usage, message::usage);
  const std::string& input = args[0];
  const std::string& output = args[1];

  // Upright, so the cutout of a photo taken sideways stands as it is shown.
  auto handler = image::decodeUpright(input);
  if (!handler)
    return fail(Exit::unreadable, message::unreadable);
  // Settled before the slow part: the output must be a file that may be
  // replaced, and the input is never written over.
  if (sameFile(input, output))
    return fail(Exit::failed, message::outputIsInput);
  if (Status replaceable = checkReplaceable(output); !replaceable)
    return fail(Exit::failed, replaceable.error().text);
  auto request = vision::foregroundInstances(*handler);
  if (!request)
    return fail(Exit::failed, request.error().text);
  vision::refineAlongEdges(*handler, *request);
  if (request->allInstances.empty())
    return fail(Exit::noSubject, message::noSubject);

  auto masked = vision::maskedImage(*handler, *request, request->allInstances, true);
  if (!masked)
    return fail(Exit::failed, masked.error().text);
  auto png = image::encodePng(*masked);
  if (!png)
    return fail(Exit::failed, png.error().text);
  if (auto written = writeFileAtomically(output, *png, outputMode); !written)
    return fail(Exit::failed, written.error().text);
  return static_cast<int>(Exit::written);
}

}  // namespace vell::cutout
