#pragma once

#include <sys/types.h>

#include <filesystem>
#include <span>
#include <string>

#include "common/result.hpp"

namespace vell {

// A temporary file beside `target`, created exclusively with `mode` (the
// process umask applies, as for open(2)), so it never exists with looser
// permissions than the final file. `commit` flushes it to disk and renames it
// over `target`; if the object is destroyed before a successful commit, the
// temporary file is removed. Whoever writes to it (through `fd` or `path`)
// must not remove or rename it.
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
  TempFile(int fd, std::filesystem::path path, std::filesystem::path target);
  void discard();

  int fd_ = -1;
  std::filesystem::path path_;
  std::filesystem::path target_;
};

// Writes `bytes` to `target` so that the path holds either its old content or
// all of the new one, never a part. On failure nothing is left behind and the
// old file is untouched.
Status writeFileAtomically(const std::filesystem::path& target,
                           std::span<const unsigned char> bytes, mode_t mode);
Status writeFileAtomically(const std::filesystem::path& target, std::string_view text, mode_t mode);

}  // namespace vell
