#pragma once

#include <filesystem>

namespace vell::platform::vision {

// Where the model files are: `<bindir>/../share/vell/models` of the running
// executable (found through /proc/self/exe). Programs never read the
// environment for it.
std::filesystem::path modelsFolder();

// Points modelsFolder at `folder` instead; for test binaries, which do not
// live in the bindir.
void overrideModelsFolder(const std::filesystem::path& folder);

}  // namespace vell::platform::vision
