#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "common/result.hpp"
#include "platform/video/export.hpp"

namespace vell::platform {

// Authorization of the photo library, by the values the library reports.
enum class PhotoAuthorization : int {
  notDetermined = 0,
  restricted = 1,
  denied = 2,
  authorized = 3,
  limited = 4,
};

enum class MediaType : std::int64_t { unknown = 0, image = 1, video = 2, audio = 3 };

// One row of the catalogue, as plain data.
struct PhotoAsset {
  std::string localIdentifier;
  std::int64_t mediaType = 0;  // MediaType values; any other number is kept as is
  std::filesystem::path file;  // absolute
  std::int64_t pixelWidth = 0;
  std::int64_t pixelHeight = 0;
  double duration = 0;  // seconds, never negative or NaN
  bool inCloud = false;
};

// How the video is to be delivered; on this platform a file that is not on
// this machine cannot be fetched, whatever `networkAccessAllowed` says.
struct VideoRequestOptions {
  enum class DeliveryMode : int { automatic = 0, highQualityFormat = 1, fastFormat = 2 };
  enum class Version : int { current = 0, unadjusted = 1, original = 2 };
  bool networkAccessAllowed = false;
  DeliveryMode deliveryMode = DeliveryMode::automatic;
  Version version = Version::current;
};

// What the library says beside the session: the error that kept it from
// giving one, and whether the asset lives in the cloud only.
struct RequestInfo {
  std::optional<std::string> error;
  bool inCloud = false;
};

using ExportSessionHandler =
    std::function<void(std::shared_ptr<ExportSession> session, std::optional<RequestInfo> info)>;

// The photo library: a folder holding `library.sqlite`, with the table
//   assets(local_id TEXT PRIMARY KEY, media_type INTEGER, path TEXT,
//          pixel_width INTEGER, pixel_height INTEGER, duration REAL,
//          in_cloud INTEGER)
// where `path` is absolute or relative to the folder. Nothing is cached: each
// call reads the catalogue afresh.
class PhotoLibrary {
 public:
  // The user's library: $XDG_DATA_HOME/vell/photos, by default
  // ~/.local/share/vell/photos (the platform's base-directory convention).
  static std::filesystem::path defaultFolder();

  explicit PhotoLibrary(std::filesystem::path folder);
  // Waits for a request still being answered.
  ~PhotoLibrary();
  PhotoLibrary(const PhotoLibrary&) = delete;
  PhotoLibrary& operator=(const PhotoLibrary&) = delete;

  // No catalogue: not determined; a catalogue that cannot be read (no
  // right, not a database, no assets table, not a regular file: a named
  // pipe would hold the open for ever): denied; otherwise authorized. A
  // catalogue locked by a writer for longer than the wait is readable, and
  // so authorized.
  PhotoAuthorization authorizationStatus() const;

  // The asset with `localIdentifier`, or nothing when there is none. Fails
  // when the catalogue cannot be read, for instance while another writer
  // holds it for longer than the wait (2 s); the text says why.
  Result<std::optional<PhotoAsset>> fetchAsset(const std::string& localIdentifier) const;

  // The catalogue's file, `library.sqlite` in the folder.
  std::filesystem::path catalogue() const;

  // Answers on another thread, once: `handler` gets an export session for
  // the video at `preset`, or none with the reason (the file is in the cloud
  // only, missing, not a regular file, empty, or not a video that can be
  // read). Only a regular file is opened: a device or a pipe could hold the
  // export for ever.
  void requestExportSession(const PhotoAsset& asset, const VideoRequestOptions& options,
                            ExportPreset preset, ExportSessionHandler handler);

 private:
  std::filesystem::path folder_;
  std::thread request_;
};

}  // namespace vell::platform
