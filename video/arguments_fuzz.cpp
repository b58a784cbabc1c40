// Untrusted command-line arguments: option extraction, number reading, and
// answers carrying argument text (which may not be UTF-8).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "video/answers.hpp"
#include "video/excerpt.hpp"
#include "video/options.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vell::video;
  // Arguments are separated by NUL bytes, as in argv.
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += char(data[i]);
  }
  std::size_t before = args.size();
  double start = secondsOr(opt(args, "--start"), 0);
  double dur = secondsOr(opt(args, "--dur"), 0);
  std::int64_t size64 = integerOr(opt(args, "--size"), 1080);
  if (args.size() > before || (before - args.size()) % 2 != 0)
    std::abort();
  Excerpt excerpt = excerptFor(start, dur, 12);
  if (dur > 0 && (excerpt.s < 0 || excerpt.s > 11.5 || excerpt.L > dur || !(excerpt.L > 0)))
    std::abort();
  (void)presetFor(size64);
  std::ostringstream out;
  for (const auto& arg : args) {
    say(out, {{"path", arg}});
    std::string cut = detail(arg);
    say(out, {{"detail", cut}});
  }
  return 0;
}
