// Fuzz target: iCalendar items as the calendar store reads them, parsed and
// expanded over a range around 2026 and one around each event's start.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/calendar/item.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vell::calendar_item;
  auto item = parseItem(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<Occurrence> found;
  occurrences(*item, 1772323200, 1772323200 + 2678400, found);
  for (const ItemEvent& event : item->events)
    occurrences(*item, event.startSeconds - 86400, event.startSeconds + 2678400, found);
  return 0;
}
