#include "video/export.hpp"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>

#include "video/excerpt.hpp"

namespace vell::video {

namespace fs = std::filesystem;
using platform::ExportSession;
using platform::ExportStatus;
using platform::MediaTime;
using platform::RequestInfo;

namespace {

// `result` and `done`, handed from the library's threads to the main thread
// under one guard. `closed` is set when the main thread stops waiting:
// from then on no export starts and no answer changes.
struct Handover {
  std::mutex guard;
  std::condition_variable stored;
  Answer result = {{"error", words::timeout}};
  bool done = false;
  bool closed = false;
  std::shared_ptr<ExportSession> session;

  void store(Answer answer) {
    std::lock_guard lock(guard);
    if (done || closed)
      return;
    result = std::move(answer);
    done = true;
    stored.notify_all();
  }
};

Answer completedAnswer(const fs::path& dst, const platform::PhotoAsset& asset, double dur,
                       double e) {
  return {{"ok", true},
          {"path", dst.string()},
          {"w", asset.pixelWidth},
          {"h", asset.pixelHeight},
          {"dur", reportedDuration(dur, e)}};
}

platform::ExportPreset platformPreset(Preset preset) {
  return preset == Preset::hd1920x1080 ? platform::ExportPreset::preset1920x1080
                                       : platform::ExportPreset::preset1280x720;
}

}  // namespace

int exportAsset(platform::PhotoLibrary& library, const platform::PhotoAsset& asset,
                const ExportRequest& request, std::ostream& out, const Wait& wait) {
  const double dur = request.dur;
  const double start = request.start;
  const fs::path dst = request.dst;

  // 1-3
  const platform::VideoRequestOptions o{
      true, platform::VideoRequestOptions::DeliveryMode::highQualityFormat,
      platform::VideoRequestOptions::Version::current};
  const Preset preset = presetFor(request.size);
  auto handover = std::make_shared<Handover>();

  // 4: an old file at `dst` stays until the export has completed, when the
  // finished video is renamed over it: removed first, it would be lost to
  // an export that then fails.

  // 5: the result handler.
  library.requestExportSession(
      asset, o, platformPreset(preset),
      [handover, asset, dur, start, dst](std::shared_ptr<ExportSession> session,
                                         std::optional<RequestInfo> info) {
        if (!session) {
          std::string description = info && info->error ? *info->error : "";
          const char* code = info && info->inCloud ? words::inCloud : words::exportUnavailable;
          handover->store({{"error", code}, {"detail", detail(description)}});
          return;
        }
        session->setOutputURL(dst);
        session->setOutputFileType(platform::ExportFileType::mpeg4);
        session->setShouldOptimizeForNetworkUse(platform::NetworkUse::optimized);
        session->setMetadataItemFilter(platform::MetadataFilter::sharing);
        const double e = asset.duration;
        if (dur > 0) {
          Excerpt excerpt = excerptFor(start, dur, e);
          session->setTimeRange(
              {MediaTime::fromSeconds(excerpt.s, 600), MediaTime::fromSeconds(excerpt.L, 600)});
        }
        // The completion handler; the session outlives it.
        ExportSession* running = session.get();
        auto completion = [handover, running, asset, dur, e, dst] {
          if (running->status() == ExportStatus::completed)
            handover->store(completedAnswer(dst, asset, dur, e));
          else
            handover->store({{"error", words::exportFailed},
                             {"detail", detail(running->error().value_or(""))}});
        };
        // Started under the guard, so the main thread either stops it or
        // sees that it never began.
        std::lock_guard lock(handover->guard);
        if (handover->closed)
          return;
        handover->session = session;
        session->exportAsynchronously(completion);
      });

  // 6-7
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(wait.limit);
  const Clock::duration slice = std::chrono::duration_cast<Clock::duration>(wait.slice);
  std::shared_ptr<ExportSession> session;
  bool finished = false;
  {
    std::unique_lock lock(handover->guard);
    // Looks at `done` at least once a slice; a stored answer wakes it at once.
    while (!handover->done && Clock::now() < deadline)
      handover->stored.wait_for(lock, std::min(slice, deadline - Clock::now()));
    finished = handover->done;
    handover->closed = true;
    session = handover->session;
  }
  // A late export is stopped, and its file removed, before the answer.
  if (session) {
    if (!finished)
      session->cancelExport();
    session->waitUntilFinished();
  }
  Answer result;
  {
    std::lock_guard lock(handover->guard);
    result = handover->result;
  }
  if (!finished && session && session->status() == ExportStatus::completed) {
    // It completed as the time ran out: the file is there, so say so.
    result = completedAnswer(dst, asset, dur, asset.duration);
  }

  // 8-9
  say(out, result);
  return result.contains("ok") && result["ok"] == true ? exitOk : exitNotCompleted;
}

}  // namespace vell::video
