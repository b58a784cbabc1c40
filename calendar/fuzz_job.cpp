// Fuzz target: job files as the bridge reads them, from bytes to the
// members it uses.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calendar/job.hpp"
#include "calendar/json_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vell::calendar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  doubleValue(bytes);
  auto job = parseJob(bytes);
  if (!job)
    return 0;
  validRange(numberOf(*job, "start"), numberOf(*job, "end"));
  auto title = job->find("title");
  if (title != job->end() && title->is_string()) {
    utf16Length(title->get_ref<const std::string&>());
    // Answers carry texts from jobs (never whole jobs: nesting is unbounded).
    serialise({{"title", *title}});
  }
  auto ids = job->find("calendarIds");
  if (ids != job->end() && ids->is_array()) {
    for (const auto& id : *ids)
      (void)(id.is_string() && id.get_ref<const std::string&>() == "a/b");
  }
  return 0;
}
