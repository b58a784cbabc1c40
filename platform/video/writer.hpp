#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vell::platform {

// The byte order of a pixel buffer's 8-bit pixels.
enum class PixelFormat { bgra, rgba };

// One picture to hand to the encoder: `height` rows top first, each
// `bytesPerRow` bytes apart (at least width × 4). Alpha is ignored by the
// encoder, so pictures should be opaque.
class PixelBuffer {
 public:
  PixelBuffer(PixelFormat format, int width, int height);

  PixelFormat format() const { return format_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t bytesPerRow() const { return bytesPerRow_; }
  const std::uint8_t* baseAddress() const { return bytes_.get(); }
  // Writable access; every call counts as a change of the content, so the
  // encoder converts the buffer afresh the next time it is appended.
  std::uint8_t* mutableBaseAddress();
  std::uint64_t generation() const { return generation_; }

 private:
  PixelFormat format_;
  int width_;
  int height_;
  std::size_t bytesPerRow_;
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::uint64_t generation_ = 0;
};

// A buffer lent by an adaptor's pool: it goes back to the pool when the last
// reference is dropped.
using PixelBufferRef = std::shared_ptr<PixelBuffer>;

// What the one video track holds: H.264 High profile (level chosen by the
// encoder), 4:2:0, `averageBitRate` bits per second on average.
struct VideoSettings {
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t averageBitRate = 0;
};

struct WriterState;
class VideoWriter;

// The writer's video input. Appends are encoded as they come, so the input
// is always ready for more.
class VideoWriterInput {
 public:
  bool isReadyForMoreMediaData() const;
  // No more appends follow.
  void markAsFinished();

 private:
  friend class VideoWriter;
  friend class PixelBufferAdaptor;
  explicit VideoWriterInput(WriterState& state) : state_(state) {}
  WriterState& state_;
};

// Hands pixel buffers to an input: lends buffers of one format and size from
// its pool, and appends them with a presentation time.
class PixelBufferAdaptor {
 public:
  PixelBufferAdaptor(VideoWriterInput& input, PixelFormat format, std::int64_t width,
                     std::int64_t height);
  ~PixelBufferAdaptor();
  PixelBufferAdaptor(const PixelBufferAdaptor&) = delete;
  PixelBufferAdaptor& operator=(const PixelBufferAdaptor&) = delete;

  // A buffer from the pool, its content undefined; nothing while the writer
  // is not writing (before startWriting, after a failure or the finish).
  PixelBufferRef pixelBuffer();

  // Encodes `buffer` to be shown from `value`/`timescale` seconds after the
  // session start. Times must increase from append to append; the buffer
  // must have the input's size. A failure (returned as false) fails the
  // writer, whose error tells why.
  bool append(const PixelBuffer& buffer, std::int64_t value, std::int32_t timescale);

 private:
  struct Pool;
  WriterState& state_;
  std::shared_ptr<Pool> pool_;
};

// Writes one H.264 video track into an MPEG-4 file at `out`, whatever its
// extension, with a time base of 1/30 second. The file is built beside
// `out` under a temporary name and renamed over `out` only when the writer
// completes: until then, and after any failure, `out` keeps what it held.
//
// States: unknown (created) -> writing (startWriting) -> completed or failed
// (finishWriting). Any failure on the way moves it to failed at once, and
// `error` says why; later calls then do nothing.
class VideoWriter {
 public:
  enum class Status { unknown, writing, completed, failed };

  explicit VideoWriter(std::filesystem::path out);
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // The one video input, with its settings; they are checked when writing
  // starts.
  VideoWriterInput& addInput(const VideoSettings& settings);

  // Creates the temporary file, the encoder and the container. False (and
  // failed) when any of them cannot be made, or the settings are not usable.
  bool startWriting();

  // Presentation times are counted from `value`/`timescale` seconds.
  void startSession(std::int64_t value, std::int32_t timescale);

  // Flushes the encoder, completes the file and moves it to `out`, on a
  // thread of its own; `completion` is called on that thread when done.
  void finishWriting(std::function<void()> completion);

  Status status() const;
  std::string error() const;

 private:
  std::unique_ptr<WriterState> state_;
};

}  // namespace vell::platform
