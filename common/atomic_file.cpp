#include "common/atomic_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace vell {

namespace fs = std::filesystem;

namespace {

Error systemError(const std::string& what, const fs::path& path) {
  return Error{what + " " + path.string() + ": " + std::strerror(errno)};
}

std::string randomSuffix() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(8, 'x');
  for (char& c : suffix)
    c = alphabet[generator() % (sizeof alphabet - 1)];
  return suffix;
}

void syncFolder(const fs::path& folder) {
  // Best effort: the rename itself already gave the atomicity callers need.
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

TempFile::TempFile(int fd, fs::path path, fs::path target)
    : fd_(fd), path_(std::move(path)), target_(std::move(target)) {}

TempFile::TempFile(TempFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)) {
  other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    discard();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    other.path_.clear();
  }
  return *this;
}

TempFile::~TempFile() {
  discard();
}

void TempFile::discard() {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  if (!path_.empty())
    ::unlink(path_.c_str());
  path_.clear();
}

Result<TempFile> TempFile::create(const fs::path& target, mode_t mode) {
  fs::path folder = target.parent_path();
  std::string base = target.filename().string();
  if (base.empty())
    return Error{"no file name in " + target.string()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Hidden and suffixed, so folder watchers that take only final names
    // (".json", ".ics", ".jpg") never pick up a half-written file.
    fs::path candidate = folder / ("." + base + "." + randomSuffix() + ".tmp");
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0)
      return TempFile(fd, candidate, target);
    if (errno != EEXIST)
      return systemError("cannot create a file in", folder.empty() ? fs::path(".") : folder);
  }
  return Error{"cannot find a free temporary name in " + folder.string()};
}

Status TempFile::write(std::span<const unsigned char> bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return systemError("cannot write", path_);
    }
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return ok();
}

Status TempFile::commit(Flush flush) {
  if (fd_ < 0 || path_.empty())
    return Error{"temporary file already closed"};
  if (flush == Flush::yes && ::fsync(fd_) != 0)
    return systemError("cannot flush", path_);
  int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0)
    return systemError("cannot close", path_);
  if (::rename(path_.c_str(), target_.c_str()) != 0)
    return systemError("cannot replace", target_);
  path_.clear();
  if (flush == Flush::yes)
    syncFolder(target_.parent_path());
  return ok();
}

Status writeFileAtomically(const fs::path& target, std::span<const unsigned char> bytes,
                           mode_t mode) {
  auto file = TempFile::create(target, mode);
  if (!file)
    return file.error();
  if (auto written = file->write(bytes); !written)
    return written.error();
  return file->commit();
}

Status writeFileAtomically(const fs::path& target, std::string_view text, mode_t mode) {
  return writeFileAtomically(
      target, std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), mode);
}

}  // namespace vell
