#include "encode/driver.hpp"

#include <chrono>
#include <cstdio>
#include <semaphore>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "encode/arguments.hpp"
#include "encode/frame_index.hpp"
#include "encode/messages.hpp"
#include "encode/picture.hpp"
#include "encode/schedule.hpp"
#include "platform/video/writer.hpp"

namespace vell::encode {

namespace {

// Whether the line reached standard output.
bool say(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

}  // namespace

int run(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);

  // The command line and the index; the output is not touched before both
  // are accepted.
  const auto arguments = readArguments(args);
  if (!arguments) {
    say(kUsage);
    return kExitUsage;
  }
  const auto& [dir, out, total, W, H, rate] = *arguments;
  const auto frames = readIndex(dir);
  if (!frames) {
    say(kNoFrames);
    return kExitFailed;
  }
  const std::int64_t N = frameCount(total, fps);

  // The writer, its input and the adaptor lending pixel buffers. A writer
  // that cannot start lends no buffers; its error is reported at the end.
  platform::VideoWriter writer(out);
  platform::VideoWriterInput& input =
      writer.addInput({.width = W, .height = H, .averageBitRate = rate});
  platform::PixelBufferAdaptor ad(input, platform::PixelFormat::bgra, W, H);
  writer.startWriting();
  writer.startSession(0, static_cast<std::int32_t>(fps));

  // One buffer per picture, drawn when the schedule first reaches it and
  // appended for every frame it stays due.
  Schedule schedule(*frames, fps);
  platform::PixelBufferRef buf;
  std::string last;
  for (std::int64_t i = 0; i < N; ++i) {
    const std::string& name = schedule.due(i);
    if (name != last) {
      // Taken up at once: a picture that fails is not tried again while it
      // stays due.
      last = name;
      // The buffer is asked for before decoding, which changes nothing but
      // spares decoding for a writer that lends none.
      if (platform::PixelBufferRef fresh = ad.pixelBuffer()) {
        if (drawPicture(dir / name, *fresh))
          buf = std::move(fresh);
      }
    }
    if (buf) {
      while (!input.isReadyForMoreMediaData())
        std::this_thread::sleep_for(std::chrono::microseconds(2000));
      ad.append(*buf, i, static_cast<std::int32_t>(fps));
    }
  }

  input.markAsFinished();
  std::binary_semaphore sem(0);
  writer.finishWriting([&sem] { sem.release(); });
  sem.acquire();
  if (writer.status() == platform::VideoWriter::Status::completed) {
    // A parent that never reads "ok" must not be told success by the status.
    return say(kOk) ? kExitOk : kExitLostOutput;
  }
  say(std::string(kFailedPrefix) + writer.error());
  return kExitFailed;
}

}  // namespace vell::encode
