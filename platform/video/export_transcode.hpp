#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/video/export.hpp"
#include "platform/video/export_ffmpeg.hpp"
#include "platform/video/export_tracks.hpp"

namespace vell::platform {

struct TranscodeSettings {
  ExportPreset preset = ExportPreset::preset1920x1080;
  NetworkUse networkUse = NetworkUse::plain;
  MetadataFilter filter = MetadataFilter::none;
  std::optional<TimeRange> timeRange;
};

// One source file opened for export: its best video stream and, when it has
// one, the audio stream that goes with it.
class Transcoder {
 public:
  static Result<std::unique_ptr<Transcoder>> open(const std::filesystem::path& source);
  ~Transcoder();
  Transcoder(const Transcoder&) = delete;
  Transcoder& operator=(const Transcoder&) = delete;

  // Writes the export as MPEG-4 to `output` (an existing file, truncated).
  // Stops with an error soon after `cancelled` becomes true. Runs once.
  Status run(const std::filesystem::path& output, const TranscodeSettings& settings,
             const std::atomic<bool>& cancelled);

 private:
  Transcoder() = default;
  static int interrupted(void* transcoder);
  Status seek(double seconds);

  const std::atomic<bool>* cancelled_ = nullptr;
  ffmpeg::InputPtr input_;
  std::unique_ptr<VideoTrack> video_;
  std::unique_ptr<AudioTrack> audio_;
  int videoIndex_ = -1;
  int audioIndex_ = -1;
};

}  // namespace vell::platform
