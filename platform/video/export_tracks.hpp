#pragma once

// The two tracks of an export: each decodes its source stream, keeps what
// falls into the excerpt, converts it and encodes it into its output stream.

#include <cstdint>
#include <limits>
#include <memory>

#include "platform/video/export.hpp"
#include "platform/video/export_ffmpeg.hpp"
#include "platform/video/export_geometry.hpp"

namespace vell::platform {

// The excerpt on the source's timeline, in seconds from its start.
struct Excerpt {
  double start = 0;
  double end = std::numeric_limits<double>::infinity();
};

// Where a track's source stream starts, and the excerpt: converts the
// stream's timestamps to seconds into the excerpt.
class Timeline {
 public:
  Timeline(AVRational timeBase, double origin, Excerpt excerpt)
      : timeBase_(timeBase), origin_(origin), excerpt_(excerpt) {}
  // Seconds from the excerpt's start (negative before it).
  double fromStart(std::int64_t timestamp) const {
    return timestamp * av_q2d(timeBase_) - origin_ - excerpt_.start;
  }
  double length() const { return excerpt_.end - excerpt_.start; }

 private:
  AVRational timeBase_;
  double origin_;
  Excerpt excerpt_;
};

// Rescales `packet` from `from` to the stream's time base and writes it.
Status writePacket(AVFormatContext* output, AVStream* stream, AVRational from, AVPacket* packet);

class VideoTrack {
 public:
  // Opens a decoder for `source`; fails when it cannot be decoded.
  static Result<std::unique_ptr<VideoTrack>> open(AVStream* source);
  ~VideoTrack();

  // The upright size of the export at `preset`.
  PixelSize exportSize(ExportPreset preset) const;
  // Opens the H.264 encoder and adds its stream to `output`.
  Status addOutput(AVFormatContext* output, ExportPreset preset, const Timeline& timeline,
                   MetadataFilter filter);
  // Decodes `packet` (nothing: the end of the stream) and encodes the
  // frames that fall into the excerpt.
  Status decode(const AVPacket* packet);
  // Flushes the decoder and the encoder.
  Status finish();

  bool pastEnd() const { return pastEnd_; }
  std::int64_t framesEncoded() const { return framesEncoded_; }

 private:
  explicit VideoTrack(AVStream* source);
  Status receiveFrames();
  Status encode(AVFrame* frame);
  Result<AVFrame*> convert(AVFrame* frame);

  AVStream* source_;
  ffmpeg::CodecPtr decoder_;
  ffmpeg::CodecPtr encoder_;
  AVFormatContext* output_ = nullptr;
  AVStream* stream_ = nullptr;
  std::unique_ptr<Timeline> timeline_;
  QuarterTurns turns_ = QuarterTurns::none;
  PixelSize size_;                  // upright, as encoded
  PixelSize scaledSize_;            // before the turn
  std::int64_t frameDuration_ = 1;  // nominal, in the source time base
  ffmpeg::ScalerPtr scaler_;
  int scalerWidth_ = 0, scalerHeight_ = 0, scalerFormat_ = -1, scalerRange_ = -1;
  ffmpeg::FramePtr decoded_ = ffmpeg::makeFrame();
  ffmpeg::FramePtr scaled_ = ffmpeg::makeFrame();
  ffmpeg::FramePtr turned_ = ffmpeg::makeFrame();
  ffmpeg::PacketPtr packet_ = ffmpeg::makePacket();
  std::int64_t lastPts_ = std::numeric_limits<std::int64_t>::min();
  std::int64_t framesEncoded_ = 0;
  bool pastEnd_ = false;
};

class AudioTrack {
 public:
  static Result<std::unique_ptr<AudioTrack>> open(AVStream* source);
  ~AudioTrack();

  // Opens the AAC encoder and adds its stream to `output`.
  Status addOutput(AVFormatContext* output, const Timeline& timeline, MetadataFilter filter);
  Status decode(const AVPacket* packet);
  Status finish();

  bool pastEnd() const { return pastEnd_; }

 private:
  explicit AudioTrack(AVStream* source);
  Status receiveFrames();
  Status keep(AVFrame* frame);
  Status keepSamples(std::uint8_t** data, int count);
  Status encodeFromFifo(bool all);

  AVStream* source_;
  ffmpeg::CodecPtr decoder_;
  ffmpeg::CodecPtr encoder_;
  AVFormatContext* output_ = nullptr;
  AVStream* stream_ = nullptr;
  std::unique_ptr<Timeline> timeline_;
  ffmpeg::ResamplerPtr resampler_;
  ffmpeg::FifoPtr fifo_;
  ffmpeg::FramePtr decoded_ = ffmpeg::makeFrame();
  ffmpeg::PacketPtr packet_ = ffmpeg::makePacket();
  // Position, in output samples from the excerpt's start, of the next
  // sample that comes out of the resampler.
  std::int64_t position_ = 0;
  bool positioned_ = false;
  std::int64_t nextPts_ = 0;
  bool started_ = false;
  bool pastEnd_ = false;
};

// Copies the stream tags the filter lets through: all of them without a
// filter, only the language with the sharing filter.
void copyStreamTags(const AVStream* from, AVStream* to, MetadataFilter filter);

}  // namespace vell::platform
