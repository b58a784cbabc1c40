#include "calendar/json_file.hpp"

#include <sys/stat.h>

#include "common/atomic_file.hpp"

namespace vell::calendar {

std::string serialise(const nlohmann::json& object) {
  const std::string compact = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  // A slash can only stand inside a string here, so escaping every one is safe.
  std::string text;
  text.reserve(compact.size() + 16);
  for (char c : compact) {
    if (c == '/')
      text += '\\';
    text += c;
  }
  return text;
}

void writeJSON(const nlohmann::json& object, const std::string& file) {
  const std::string text = serialise(object);
  auto temporary = TempFile::create(file, 0600);
  if (!temporary)
    return;
  // The mask may have taken bits from 0600 at creation; set them exactly.
  if (::fchmod(temporary->fd(), 0600) != 0)
    return;
  if (!temporary->write(
          std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size())))
    return;
  // The parent reads these at once; a flush to disk would only slow answers.
  (void)temporary->commit(TempFile::Flush::no);
}

}  // namespace vell::calendar
