#include "platform/video/export.hpp"

#include <cmath>
#include <limits>

#include "common/atomic_file.hpp"
#include "platform/video/export_transcode.hpp"

namespace vell::platform {

MediaTime MediaTime::fromSeconds(double seconds, std::int32_t timescale) {
  if (!std::isfinite(seconds) || timescale <= 0)
    return {0, timescale};
  double value = std::round(seconds * timescale);
  constexpr double limit = double(std::numeric_limits<std::int64_t>::max() / 2);
  return {static_cast<std::int64_t>(std::clamp(value, -limit, limit)), timescale};
}

ExportSession::ExportSession(std::unique_ptr<Transcoder> transcoder, ExportPreset preset)
    : transcoder_(std::move(transcoder)), preset_(preset) {}

ExportSession::~ExportSession() {
  if (!worker_.joinable())
    return;
  // The worker holds the session while it runs, so it may be the one that
  // lets it go last.
  if (worker_.get_id() == std::this_thread::get_id()) {
    worker_.detach();
    return;
  }
  cancelExport();
  worker_.join();
}

Result<std::shared_ptr<ExportSession>> ExportSession::open(const std::filesystem::path& source,
                                                           ExportPreset preset) {
  // FFmpeg's own messages would go to standard error; errors come back as
  // values instead.
  av_log_set_level(AV_LOG_QUIET);
  auto transcoder = Transcoder::open(source);
  if (!transcoder)
    return transcoder.error();
  return std::shared_ptr<ExportSession>(new ExportSession(std::move(*transcoder), preset));
}

void ExportSession::exportAsynchronously(std::function<void()> completion) {
  completion_ = std::move(completion);
  {
    std::lock_guard lock(stateGuard_);
    status_ = ExportStatus::exporting;
  }
  worker_ = std::thread([self = shared_from_this()] { self->exportNow(); });
}

void ExportSession::exportNow() {
  auto report = [this](ExportStatus status, std::optional<std::string> error) {
    finish(status, std::move(error));
    // Moved out first: the completion may let the session go.
    std::function<void()> completion = std::move(completion_);
    if (completion)
      completion();
  };
  if (cancelled_)
    return report(ExportStatus::cancelled, "the export was cancelled");
  if (output_.empty())
    return report(ExportStatus::failed, "no output file was set");
  // Found out before the work rather than at the rename after it.
  std::error_code error;
  if (std::filesystem::is_directory(output_, error))
    return report(ExportStatus::failed, output_.string() + " is a folder");
  auto temporary = TempFile::create(output_, 0644);
  if (!temporary)
    return report(ExportStatus::failed, temporary.error().text);
  TranscodeSettings settings{preset_, networkUse_, filter_, timeRange_};
  Status written = transcoder_->run(temporary->path(), settings, cancelled_);
  transcoder_.reset();
  if (!written) {
    temporary = Error{""};  // removes the partial file before the report
    return report(cancelled_ ? ExportStatus::cancelled : ExportStatus::failed,
                  written.error().text);
  }
  Status committed = ok();
  {
    std::lock_guard lock(commitGuard_);
    if (cancelled_)
      committed = Error{"the export was cancelled"};
    else
      committed = temporary->commit();
  }
  temporary = Error{""};
  if (!committed)
    return report(cancelled_ ? ExportStatus::cancelled : ExportStatus::failed,
                  committed.error().text);
  report(ExportStatus::completed, std::nullopt);
}

void ExportSession::finish(ExportStatus status, std::optional<std::string> error) {
  std::lock_guard lock(stateGuard_);
  status_ = status;
  error_ = std::move(error);
}

void ExportSession::cancelExport() {
  std::lock_guard lock(commitGuard_);
  cancelled_ = true;
}

void ExportSession::waitUntilFinished() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
    worker_.join();
}

ExportStatus ExportSession::status() const {
  std::lock_guard lock(stateGuard_);
  return status_;
}

std::optional<std::string> ExportSession::error() const {
  std::lock_guard lock(stateGuard_);
  return error_;
}

}  // namespace vell::platform
