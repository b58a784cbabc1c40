#include "seal/sealed_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/atomic_file.hpp"

namespace vell::seal {

namespace {

// Plaintext is read and encrypted a piece at a time: the sealed file is the
// same as sealing the whole content at once, but memory stays small and the
// plaintext never sits in memory whole.
constexpr std::size_t kPiece = 1 << 20;

class InputFile {
 public:
  ~InputFile() {
    if (fd_ >= 0)
      ::close(fd_);
  }

  Status open(const std::string& path) {
    path_ = path;
    // Without O_NONBLOCK a named pipe with no writer would hold the open,
    // and the whole service with it, for ever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
      return Error{"cannot open " + path + ": " + std::strerror(errno)};
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))
      return Error{path + " is not a regular file"};
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return ok();
  }

  // Fills `buffer` as far as the file goes; returns the bytes read.
  Result<std::size_t> read(platform::Secret& buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
      ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        return Error{"cannot read " + path_ + ": " + std::strerror(errno)};
      if (got == 0)
        break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace

Result<std::int64_t> sealFile(platform::ByteView key, const std::string& inPath,
                              const std::string& outPath, platform::ByteView aad) {
  // The system would read such a path only up to its NUL: another file.
  for (const std::string* path : {&inPath, &outPath})
    if (path->find('\0') != std::string::npos)
      return Error{"a path holding a NUL character names no file"};
  InputFile in;
  if (auto opened = in.open(inPath); !opened)
    return opened.error();
  auto out = TempFile::create(outPath, 0666);
  if (!out)
    return out.error();
  auto sealer = platform::AesGcmSealer::start(key, aad);
  if (!sealer)
    return sealer.error();
  if (auto written = out->write(sealer->nonce()); !written)
    return written.error();
  platform::Secret plaintext(kPiece);
  platform::Bytes ciphertext(kPiece);
  std::int64_t total = platform::kGcmNonceSize;
  while (true) {
    auto got = in.read(plaintext);
    if (!got)
      return got.error();
    if (*got == 0)
      break;
    platform::ByteView piece(plaintext.data(), *got);
    if (auto sealed = sealer->update(piece, ciphertext.data()); !sealed)
      return sealed.error();
    if (auto written = out->write(platform::ByteView(ciphertext.data(), *got)); !written)
      return written.error();
    total += static_cast<std::int64_t>(*got);
  }
  std::uint8_t tag[platform::kGcmTagSize];
  if (auto finished = sealer->finish(tag); !finished)
    return finished.error();
  if (auto written = out->write(platform::ByteView(tag, sizeof tag)); !written)
    return written.error();
  total += static_cast<std::int64_t>(sizeof tag);
  if (auto committed = out->commit(); !committed)
    return committed.error();
  return total;
}

}  // namespace vell::seal
