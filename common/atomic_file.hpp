#pragma once

#include <sys/types.h>

#include <filesystem>
#include <span>
#include <string>

#include "common/result.hpp"

namespace vell {

// Whether `target` may be replaced by a written file: only a regular file
// (followed through symbolic links) or nothing may. A device, a FIFO, a
// socket or a folder is never renamed over: writing "to" /dev/null or to a
// named pipe would otherwise remove it.
Status checkReplaceable(const std::filesystem::path& target);

// Whether `a` and `b` name one and the same existing file, however spelled
// ("./x", a link to it, another hard link).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// A temporary file beside `target`, created exclusively with `mode` (the
// process umask applies, as for open(2)), so it never exists with looser
// permissions than the final file. Refused, as `commit` is, when the target
// is there and not a regular file (see `checkReplaceable`). `commit` flushes
// it to disk and renames it over `target`; if the object is destroyed before a successful commit,
// the temporary file is removed. Whoever writes to it (through `fd` or `path`) must not remove or
// rename it.
class TempFile {
 public:
  // Whether `commit` waits for the data to reach the disk. Files that only
  // hand an answer to a running reader need no flush, only the rename.
  enum class Flush { yes, no };

  static Result<TempFile> create(const std::filesystem::path& target, mode_t mode);

  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }

  // Writes all of `bytes` at the current position.
  Status write(std::span<const unsigned char> bytes);
  // fsyncs, closes and renames over the target, then syncs the folder
  // (with Flush::no: closes and renames only).
  Status commit(Flush flush = Flush::yes);

 private:
  TempFile(int fd, std::filesystem::path path, std::filesystem::path target, int slot);
  void discard();

  int fd_ = -1;
  std::filesystem::path path_;
  std::filesystem::path target_;
  int slot_ = -1;  // where a signal handler finds the path
};

// Writes `bytes` to `target` so that the path holds either its old content or
// all of the new one, never a part. On failure nothing is left behind and the
// old file is untouched.
Status writeFileAtomically(const std::filesystem::path& target,
                           std::span<const unsigned char> bytes, mode_t mode);
Status writeFileAtomically(const std::filesystem::path& target, std::string_view text, mode_t mode);

}  // namespace vell
