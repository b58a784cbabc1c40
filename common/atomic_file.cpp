#include "common/atomic_file.hpp"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
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

// The temporary files being written, for the signal handler below: fixed
// slots in static memory, each published by its state (free, being filled,
// in use), since a handler may read them at any moment.
constexpr int slotCount = 16;
enum SlotState : int { freeSlot, fillingSlot, usedSlot };
struct Slot {
  std::atomic<int> state{freeSlot};
  char path[PATH_MAX];
};
Slot slots[slotCount];

// The signals that end a process by default and that a run meets in normal
// use: a parent stopping it (SIGTERM, SIGINT), a closing terminal or a logout
// (SIGHUP), a quit key (SIGQUIT), a reader that went away (SIGPIPE).
constexpr int endingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE};

// Each of them ends the process as it would have, but first removes every
// temporary file it was writing: a parent that stops a run must not find
// hidden leftovers beside the output. Only async-signal-safe calls.
extern "C" void removeTemporaries(int signal) {
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == usedSlot)
      ::unlink(slot.path);
  }
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  ::sigaction(signal, &standard, nullptr);
  ::raise(signal);
}

// Installed once, and only where the signal would end the process anyway: a
// program that handles or ignores it keeps its own way.
void installHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int signal : endingSignals) {
      struct sigaction current {};
      if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
          (current.sa_flags & SA_SIGINFO))
        continue;
      struct sigaction handler {};
      handler.sa_handler = removeTemporaries;
      sigemptyset(&handler.sa_mask);
      for (int other : endingSignals)
        sigaddset(&handler.sa_mask, other);
      ::sigaction(signal, &handler, nullptr);
    }
  });
}

// The slot now holding `path`, or -1 when none is free or the path does not
// fit (the file is then only removed by its owner).
int enlist(const fs::path& path) {
  installHandlers();
  const std::string& text = path.native();
  if (text.size() >= PATH_MAX)
    return -1;
  for (int i = 0; i < slotCount; ++i) {
    int expected = freeSlot;
    if (slots[i].state.compare_exchange_strong(expected, fillingSlot, std::memory_order_acquire)) {
      std::memcpy(slots[i].path, text.c_str(), text.size() + 1);
      slots[i].state.store(usedSlot, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

void release(int slot) {
  if (slot >= 0)
    slots[slot].state.store(freeSlot, std::memory_order_release);
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

Status checkReplaceable(const fs::path& target) {
  struct stat status {};
  // Followed through links: a link to a device is as much a device. Any
  // other trouble is left for the rename to report in its own words.
  if (::stat(target.c_str(), &status) != 0 || S_ISREG(status.st_mode))
    return ok();
  return Error{"cannot replace " + target.string() + ": not a regular file"};
}

bool sameFile(const fs::path& a, const fs::path& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

TempFile::TempFile(int fd, fs::path path, fs::path target, int slot)
    : fd_(fd), path_(std::move(path)), target_(std::move(target)), slot_(slot) {}

TempFile::TempFile(TempFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      slot_(std::exchange(other.slot_, -1)) {
  other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    discard();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    slot_ = std::exchange(other.slot_, -1);
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
  release(std::exchange(slot_, -1));
}

Result<TempFile> TempFile::create(const fs::path& target, mode_t mode) {
  // Said before any work is done for it.
  if (Status replaceable = checkReplaceable(target); !replaceable)
    return replaceable.error();
  fs::path folder = target.parent_path();
  std::string base = target.filename().string();
  if (base.empty())
    return Error{"no file name in " + target.string()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Hidden and suffixed, so folder watchers that take only final names
    // (".json", ".ics", ".jpg") never pick up a half-written file.
    fs::path candidate = folder / ("." + base + "." + randomSuffix() + ".tmp");
    // Enlisted before it exists, so a signal never finds it made and unknown.
    int slot = enlist(candidate);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0)
      return TempFile(fd, candidate, target, slot);
    release(slot);
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
  // Again at the last moment: the target may have changed while the file
  // was written.
  if (Status replaceable = checkReplaceable(target_); !replaceable)
    return replaceable.error();
  if (::rename(path_.c_str(), target_.c_str()) != 0)
    return systemError("cannot replace", target_);
  path_.clear();
  release(std::exchange(slot_, -1));
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
