// Feeds arbitrary bytes to the index parser and checks what it accepts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "encode/frame_index.hpp"
#include "encode/schedule.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto frames = vell::encode::parseIndex(text);
  if (!frames)
    return 0;
  if (frames->empty())
    std::abort();
  // Whatever times an index holds, the schedule stays inside it.
  vell::encode::Schedule schedule(*frames, 30);
  for (std::int64_t i = 0; i < 100; ++i) {
    const std::string& name = schedule.due(i);
    if (&name < &frames->front().name || &name > &frames->back().name)
      std::abort();
  }
  return 0;
}
