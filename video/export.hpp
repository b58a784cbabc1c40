#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>

#include "platform/photos/library.hpp"
#include "video/answers.hpp"

namespace vell::video {

// What the export is asked to do.
struct ExportRequest {
  double start = 0;
  double dur = 0;
  std::int64_t size = 1080;
  std::filesystem::path dst;  // absolute
};

// How long the main thread waits for the export, and how often it looks.
struct Wait {
  std::chrono::duration<double> limit{900.0};
  std::chrono::duration<double> slice{0.2};
};

// Exports `asset` as the request says, waits for the outcome within
// `wait.limit`, writes the answer with `say` and returns the exit status.
// When the wait runs out, the export is cancelled and nothing stays at
// `dst`; the answer is {"error":"timeout"}.
int exportAsset(platform::PhotoLibrary& library, const platform::PhotoAsset& asset,
                const ExportRequest& request, std::ostream& out, const Wait& wait);

}  // namespace vell::video
