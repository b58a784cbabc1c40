// Feeds arbitrary bytes to the list file checks and parser: no crash, and
// every job has a key and a path without line feeds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "place/list_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)vell::place::isValidUtf8(text);
  for (const auto& job : vell::place::parseList(text)) {
    if (job.key.empty() || job.path.empty() || job.key.find('\t') != std::string::npos ||
        job.key.find('\n') != std::string::npos || job.path.find('\n') != std::string::npos)
      std::abort();
  }
  return 0;
}
