#include "platform/vision/large_net.hpp"

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vell::platform::vision {

namespace {

// Loading copies the weights about three times (protobuf strings, tensors,
// packed convolution weights): half a gigabyte of fresh memory for ISNet.
// Touching it page by page costs more than the copies themselves, since
// every 4 KB page is a separate fault (and faults are dear in a virtual
// machine). With the heap advised for transparent huge pages a fault brings
// in 2 MB. So: serve allocations up to 32 MB from the heap, grow it ahead
// by enough for a network, advise that range, and never trim it back.
constexpr size_t heapReserve = 768u << 20;
constexpr size_t hugePage = 2u << 20;

void prepareHeapForHugePages() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(heapReserve * 2));
  mallopt(M_TOP_PAD, static_cast<int>(heapReserve));
  // Unless the heap's free top already holds it, this grows the heap by the
  // pad; everything from here to the break is then free space.
  void* probe = std::malloc(8 << 20);
  mallopt(M_TOP_PAD, 128 << 10);
  auto first = (reinterpret_cast<std::uintptr_t>(probe) + hugePage - 1) & ~(hugePage - 1);
  auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(hugePage - 1);
  if (probe && end > first)
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  std::free(probe);
}

// A read-only mapping of a whole file, released on scope exit.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
      void* data = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ,
                          MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (data != MAP_FAILED) {
        data_ = static_cast<const char*>(data);
        size_ = static_cast<size_t>(info.st_size);
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_)
      ::munmap(const_cast<char*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace

cv::dnn::Net readLargeOnnxNet(const std::string& path) {
  static std::once_flag prepared;
  std::call_once(prepared, prepareHeapForHugePages);
  MappedFile file(path);
  if (!file.data())
    CV_Error(cv::Error::StsError, "cannot map " + path + ": " + std::strerror(errno));
  return cv::dnn::readNetFromONNX(file.data(), file.size());
}

}  // namespace vell::platform::vision
