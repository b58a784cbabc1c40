#include "video/names.hpp"

namespace vell::video {

Names makeNames() {
  return {
      {0, "not-determined"}, {1, "restricted"}, {2, "denied"}, {3, "authorized"}, {4, "limited"},
  };
}

std::string word(const Names& names, int status) {
  auto found = names.find(status);
  return found != names.end() ? found->second : "unknown";
}

}  // namespace vell::video
