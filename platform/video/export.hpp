#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/result.hpp"

namespace vell::platform {

// The box an export is scaled down to fit (turned to the video's own
// orientation: a portrait video fits a portrait box), never scaled up.
enum class ExportPreset { preset1280x720, preset1920x1080 };

enum class ExportFileType { mpeg4 };
enum class NetworkUse { plain, optimized };
// `sharing` drops every tag that could identify the user (location in any
// form, device make and model, author, comments, dates) and keeps the
// streams' basics (codecs, size, language).
enum class MetadataFilter { none, sharing };
enum class ExportStatus {
  unknown = 0,
  waiting = 1,
  exporting = 2,
  completed = 3,
  failed = 4,
  cancelled = 5
};

// A time as a count of 1/`timescale` seconds.
struct MediaTime {
  std::int64_t value = 0;
  std::int32_t timescale = 600;

  static MediaTime fromSeconds(double seconds, std::int32_t timescale);
  double seconds() const { return timescale > 0 ? double(value) / timescale : 0.0; }
};

struct TimeRange {
  MediaTime start;
  MediaTime duration;
};

class Transcoder;

// Exports one video file as H.264 + AAC in an MPEG-4 file: decoded, trimmed
// to the time range (to the frame), scaled to fit the preset, with the
// source's rotation applied to the pixels. The file is written under a
// temporary name beside the output and renamed over it only when complete;
// a failed or cancelled export leaves nothing behind.
class ExportSession : public std::enable_shared_from_this<ExportSession> {
 public:
  // Opens `source` and checks that it holds a video stream that can be
  // decoded; the error text says why not.
  static Result<std::shared_ptr<ExportSession>> open(const std::filesystem::path& source,
                                                     ExportPreset preset);
  // Cancels a running export and waits for its thread.
  ~ExportSession();
  ExportSession(const ExportSession&) = delete;
  ExportSession& operator=(const ExportSession&) = delete;

  // Settings; they count only before exportAsynchronously.
  void setOutputURL(const std::filesystem::path& output) { output_ = output; }
  void setOutputFileType(ExportFileType type) { fileType_ = type; }
  void setShouldOptimizeForNetworkUse(NetworkUse use) { networkUse_ = use; }
  void setMetadataItemFilter(MetadataFilter filter) { filter_ = filter; }
  // Without a time range the whole video is exported.
  void setTimeRange(TimeRange range) { timeRange_ = range; }

  // Starts the export on its own thread; `completion` is called on that
  // thread once the export has ended, whatever the outcome. Called once.
  void exportAsynchronously(std::function<void()> completion);

  // Ends a running export soon; its status becomes cancelled and nothing is
  // left at the output path, unless it had already completed.
  void cancelExport();
  // Waits until the export thread has ended (the completion has returned).
  void waitUntilFinished();

  ExportStatus status() const;
  // Why the export failed or was cancelled; nothing otherwise.
  std::optional<std::string> error() const;

 private:
  ExportSession(std::unique_ptr<Transcoder> transcoder, ExportPreset preset);
  void exportNow();
  void finish(ExportStatus status, std::optional<std::string> error);

  std::unique_ptr<Transcoder> transcoder_;
  ExportPreset preset_;
  std::filesystem::path output_;
  ExportFileType fileType_ = ExportFileType::mpeg4;
  NetworkUse networkUse_ = NetworkUse::plain;
  MetadataFilter filter_ = MetadataFilter::none;
  std::optional<TimeRange> timeRange_;
  std::function<void()> completion_;

  std::atomic<bool> cancelled_{false};
  // Held while the finished file is renamed into place, so that a cancel
  // either comes before the rename (and removes the file) or after it.
  mutable std::mutex commitGuard_;
  mutable std::mutex stateGuard_;
  ExportStatus status_ = ExportStatus::waiting;
  std::optional<std::string> error_;
  std::thread worker_;
};

}  // namespace vell::platform
