#include "platform/photos/library.hpp"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <system_error>

namespace vell::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* catalogueName = "library.sqlite";

struct DatabaseClose {
  void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
};
struct StatementFinalize {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using DatabasePtr = std::unique_ptr<sqlite3, DatabaseClose>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalize>;

bool isRegularFile(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Opens the catalogue read-only; nothing when it cannot be read. Only a
// regular file is opened.
DatabasePtr openCatalogue(const fs::path& folder) {
  if (!isRegularFile(folder / catalogueName))
    return nullptr;
  sqlite3* database = nullptr;
  int code = sqlite3_open_v2((folder / catalogueName).c_str(), &database,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  DatabasePtr owner(database);
  if (code != SQLITE_OK)
    return nullptr;
  // A library manager may be writing; wait for it a little.
  sqlite3_busy_timeout(database, 2000);
  return owner;
}

constexpr const char* assetQuery =
    "SELECT media_type, path, pixel_width, pixel_height, duration, in_cloud "
    "FROM assets WHERE local_id = ?1";

// The prepared query, or nothing with the code that kept it from being
// prepared (preparing reads the schema).
StatementPtr prepare(sqlite3* database, int* code = nullptr) {
  sqlite3_stmt* statement = nullptr;
  const int result = sqlite3_prepare_v2(database, assetQuery, -1, &statement, nullptr);
  if (code)
    *code = result;
  if (result != SQLITE_OK)
    return nullptr;
  return StatementPtr(statement);
}

bool locked(int code) {
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

Error unreadable(sqlite3* database) {
  return Error{std::string("The photo library could not be read: ") +
               (database ? sqlite3_errmsg(database) : "cannot open it")};
}

std::int64_t nonNegative(std::int64_t value) {
  return value < 0 ? 0 : value;
}

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home)
    return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
    return entry->pw_dir;
  return "/";
}

}  // namespace

fs::path PhotoLibrary::defaultFolder() {
  // Relative values are to be ignored, as the base-directory convention says.
  const char* data = std::getenv("XDG_DATA_HOME");
  fs::path base = data && *data && fs::path(data).is_absolute()
                      ? fs::path(data)
                      : fs::path(homeFolder()) / ".local" / "share";
  return base / "vell" / "photos";
}

PhotoLibrary::PhotoLibrary(fs::path folder) : folder_(std::move(folder)) {}

PhotoLibrary::~PhotoLibrary() {
  if (request_.joinable())
    request_.join();
}

PhotoAuthorization PhotoLibrary::authorizationStatus() const {
  std::error_code error;
  fs::file_status status = fs::symlink_status(folder_ / catalogueName, error);
  if (status.type() == fs::file_type::not_found)
    return PhotoAuthorization::notDetermined;
  DatabasePtr database = openCatalogue(folder_);
  if (!database)
    return PhotoAuthorization::denied;
  // Preparing the query reads the schema, so a file that is not a catalogue
  // fails here, not only one we have no right to open. A writer holding it
  // denies nothing.
  int code = SQLITE_OK;
  if (!prepare(database.get(), &code) && !locked(code))
    return PhotoAuthorization::denied;
  return PhotoAuthorization::authorized;
}

fs::path PhotoLibrary::catalogue() const {
  return folder_ / catalogueName;
}

Result<std::optional<PhotoAsset>> PhotoLibrary::fetchAsset(
    const std::string& localIdentifier) const {
  DatabasePtr database = openCatalogue(folder_);
  if (!database)
    return unreadable(nullptr);
  StatementPtr statement = prepare(database.get());
  if (!statement)
    return unreadable(database.get());
  sqlite3_bind_text(statement.get(), 1, localIdentifier.data(), int(localIdentifier.size()),
                    SQLITE_TRANSIENT);
  const int step = sqlite3_step(statement.get());
  if (step == SQLITE_DONE)
    return std::optional<PhotoAsset>();
  if (step != SQLITE_ROW)
    return unreadable(database.get());
  sqlite3_stmt* row = statement.get();
  PhotoAsset asset;
  asset.localIdentifier = localIdentifier;
  asset.mediaType = sqlite3_column_int64(row, 0);
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, 1));
  std::string name =
      text ? std::string(text, std::size_t(sqlite3_column_bytes(row, 1))) : std::string();
  // A NUL would cut the name short in every system call: another file.
  if (name.find('\0') != std::string::npos)
    name.clear();
  fs::path file = name;
  asset.file = file.is_absolute() || file.empty() ? file : folder_ / file;
  asset.pixelWidth = nonNegative(sqlite3_column_int64(row, 2));
  asset.pixelHeight = nonNegative(sqlite3_column_int64(row, 3));
  double duration = sqlite3_column_double(row, 4);
  asset.duration = std::isfinite(duration) && duration > 0 ? duration : 0;
  asset.inCloud = sqlite3_column_int64(row, 5) != 0;
  return std::optional<PhotoAsset>(std::move(asset));
}

void PhotoLibrary::requestExportSession(const PhotoAsset& asset, const VideoRequestOptions& options,
                                        ExportPreset preset, ExportSessionHandler handler) {
  if (request_.joinable())
    request_.join();
  request_ = std::thread([asset, options, preset, handler = std::move(handler)] {
    struct stat status {};
    const bool found = !asset.file.empty() && ::stat(asset.file.c_str(), &status) == 0;
    if (!found || !S_ISREG(status.st_mode) || status.st_size == 0) {
      // Nothing here can fetch a file from the cloud: the request fails the
      // way it does when the network is not allowed or not there. A file of
      // no bytes holds no video, and some (/proc/kmsg) block the reader.
      RequestInfo info;
      info.inCloud = asset.inCloud;
      const std::string file = asset.file.string();
      if (asset.inCloud && !found)
        info.error = "The video is stored in the cloud and is not on this computer.";
      else if (!found)
        info.error = "The video file is missing: " + file;
      else if (!S_ISREG(status.st_mode))
        info.error = "The video file is not a regular file: " + file;
      else
        info.error = "The video file is empty: " + file;
      handler(nullptr, info);
      return;
    }
    (void)options;
    auto session = ExportSession::open(asset.file, preset);
    if (!session) {
      handler(nullptr, RequestInfo{session.error().text, asset.inCloud});
      return;
    }
    handler(*session, RequestInfo{std::nullopt, asset.inCloud});
  });
}

}  // namespace vell::platform
