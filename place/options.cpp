#include "place/options.hpp"

#include <algorithm>

#include "common/numbers.hpp"

namespace vell::place {

namespace {

using Arguments = std::vector<std::string>;

Arguments::iterator find(Arguments& args, const char* option) {
  return std::find(args.begin(), args.end(), option);
}

}  // namespace

Settings scanOptions(Arguments& args) {
  Settings settings;
  if (auto at = find(args, "--prints"); at != args.end()) {
    settings.prints = true;
    args.erase(at);
  }
  if (auto at = find(args, "--ocr"); at != args.end() && at + 1 != args.end()) {
    settings.ocr = *(at + 1);
    args.erase(at, at + 2);
  }
  if (auto at = find(args, "--width"); at != args.end() && at + 1 != args.end()) {
    std::int64_t width = parseInt64(*(at + 1)).value_or(2);
    settings.width = int(std::clamp<std::int64_t>(width, 1, 4));
    args.erase(at, at + 2);
  }
  return settings;
}

}  // namespace vell::place
