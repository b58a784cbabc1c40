#include "common/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vell {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

template <typename Bytes>
Result<Bytes> readRegularFile(const std::string& path, std::int64_t maxBytes) {
  const std::string what = "cannot read " + path + ": ";
  if (path.find('\0') != std::string::npos)
    return Error{what + "a path holding a NUL character names no file"};
  // O_NONBLOCK: a named pipe with no writer would otherwise hold the open.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0)
    return Error{what + std::strerror(errno)};
  struct stat status {};
  if (::fstat(file.get(), &status) != 0)
    return Error{what + std::strerror(errno)};
  if (!S_ISREG(status.st_mode))
    return Error{what + "not a regular file"};
  const auto limit = static_cast<std::size_t>(std::max<std::int64_t>(maxBytes, 0));
  const std::string tooLong = what + "longer than " + std::to_string(limit) + " bytes";
  if (static_cast<std::size_t>(status.st_size) > limit)
    return Error{tooLong};
  // Sized for the file; one that grows meanwhile is read on, up to one byte
  // more than allowed.
  Bytes bytes(static_cast<std::size_t>(status.st_size) + 1, 0);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() > limit)
        return Error{tooLong};
      bytes.resize(std::min(bytes.size() * 2, limit + 1));
    }
    const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return Error{what + std::strerror(errno)};
    if (got == 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

template Result<std::string> readRegularFile(const std::string&, std::int64_t);
template Result<std::vector<std::uint8_t>> readRegularFile(const std::string&, std::int64_t);

}  // namespace vell
