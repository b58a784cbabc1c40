#include "platform/vision/models.hpp"

#include <mutex>

namespace vell::platform::vision {

namespace {

std::mutex guard;
std::filesystem::path overridden;

}  // namespace

std::filesystem::path modelsFolder() {
  {
    std::lock_guard lock(guard);
    if (!overridden.empty())
      return overridden;
  }
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return {};
  return exe.parent_path().parent_path() / "share" / "vell" / "models";
}

void overrideModelsFolder(const std::filesystem::path& folder) {
  std::lock_guard lock(guard);
  overridden = folder;
}

}  // namespace vell::platform::vision
