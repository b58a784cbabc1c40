#include "video/answers.hpp"

#include "platform/text/graphemes.hpp"

namespace vell::video {

void say(std::ostream& out, const Answer& answer) {
  std::string line;
  try {
    line = answer.dump() + "\n";
  } catch (const nlohmann::json::exception&) {
    line.clear();
  }
  out << line;
  out.flush();
}

std::string detail(const std::string& description) {
  return platform::firstGraphemes(description, 200);
}

}  // namespace vell::video
