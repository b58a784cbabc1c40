#include "seal/sealed_file.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/atomic_file.hpp"

namespace vell::seal {

namespace {

Result<platform::Secret> readWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return Error{"cannot open " + path + ": " + std::strerror(errno)};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Error{path + " is not a regular file"};
  }
  // Sized once from the file's length, so the plaintext never lives in a
  // grown-and-copied buffer (peak memory stays near twice the file).
  platform::Secret content(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (true) {
    if (done == content.size())
      content.resize(content.size() + 65536);  // the file grew while we read it
    ssize_t got = ::read(fd, content.data() + done, content.size() - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      ::close(fd);
      return Error{"cannot read " + path + ": " + std::strerror(errno)};
    }
    if (got == 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  content.resize(done);
  return content;
}

}  // namespace

Result<std::int64_t> sealFile(platform::ByteView key, const std::string& inPath,
                              const std::string& outPath, platform::ByteView aad) {
  auto content = readWholeFile(inPath);
  if (!content)
    return content.error();
  auto combined = platform::aesGcmSeal(key, *content, aad);
  if (!combined)
    return combined.error();
  content = platform::Secret();  // wiped now, before the write's allocations
  if (auto written = writeFileAtomically(outPath, *combined, 0666); !written)
    return written.error();
  return static_cast<std::int64_t>(combined->size());
}

}  // namespace vell::seal
