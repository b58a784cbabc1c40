#pragma once

// Files that are not regular files, for tests of what programs do when a
// path names one: always made inside the test's own folder, never the
// system's own devices.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace vell::testing {

enum class FileKind { missing, regular, folder, fifo, characterDevice, socket, link, other };

// The kind of `path` itself (a link is a link).
inline FileKind kindOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0)
    return FileKind::missing;
  if (S_ISREG(status.st_mode))
    return FileKind::regular;
  if (S_ISDIR(status.st_mode))
    return FileKind::folder;
  if (S_ISFIFO(status.st_mode))
    return FileKind::fifo;
  if (S_ISCHR(status.st_mode))
    return FileKind::characterDevice;
  if (S_ISSOCK(status.st_mode))
    return FileKind::socket;
  if (S_ISLNK(status.st_mode))
    return FileKind::link;
  return FileKind::other;
}

// A character device node at `path` with the numbers of the null (1, 3) or
// zero (1, 5) device. Only root may make one, and not in every container:
// false when it cannot be made (tests then skip those cases).
enum class Device { null, zero };
inline bool makeDevice(const std::filesystem::path& path, Device device) {
  const unsigned minor = device == Device::null ? 3 : 5;
  return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

// A listening-free UNIX socket bound at `path` (its descriptor is closed; the
// node stays). False when the path is too long for a socket address.
inline bool makeSocket(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.string().size() >= sizeof address.sun_path)
    return false;
  std::strcpy(address.sun_path, path.c_str());
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0)
    return false;
  bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

// A path that is not a regular file, and what it must stay.
struct NonRegularFile {
  std::string what;
  std::filesystem::path path;
  FileKind kind;
};

// One of each kind that can be made here, inside `folder`: a FIFO, a folder,
// a socket, a link to a FIFO and, as root, a null device node.
inline std::vector<NonRegularFile> nonRegularFiles(const std::filesystem::path& folder) {
  std::vector<NonRegularFile> files;
  const auto fifo = folder / "fifo";
  if (::mkfifo(fifo.c_str(), 0600) == 0) {
    files.push_back({"a FIFO", fifo, FileKind::fifo});
    std::filesystem::create_symlink(fifo, folder / "fifo-link");
    files.push_back({"a link to a FIFO", folder / "fifo-link", FileKind::link});
  }
  std::filesystem::create_directory(folder / "folder");
  files.push_back({"a folder", folder / "folder", FileKind::folder});
  if (makeSocket(folder / "socket"))
    files.push_back({"a socket", folder / "socket", FileKind::socket});
  if (makeDevice(folder / "null", Device::null))
    files.push_back({"a device", folder / "null", FileKind::characterDevice});
  return files;
}

}  // namespace vell::testing
