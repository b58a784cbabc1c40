#include "video/run.hpp"

#include <iostream>

#include "video/names.hpp"
#include "video/options.hpp"

namespace vell::video {

namespace fs = std::filesystem;
using platform::MediaType;
using platform::PhotoAuthorization;
using platform::PhotoLibrary;

int run(const std::vector<std::string>& args) {
  return run(args, {std::cout, PhotoLibrary::defaultFolder(), Wait{}});
}

int run(std::vector<std::string> arguments, const Surroundings& surroundings) {
  std::ostream& out = surroundings.out;
  PhotoLibrary library(surroundings.library);

  // 1-2
  const Names names = makeNames();
  const int status = static_cast<int>(library.authorizationStatus());
  std::vector<std::string> args = std::move(arguments);

  // 3
  if (!args.empty() && args.front() == "--status") {
    say(out, {{"status", word(names, status)}});
    return exitOk;
  }
  // 4: before any argument is looked at.
  if (status != int(PhotoAuthorization::authorized) && status != int(PhotoAuthorization::limited)) {
    say(out, {{"error", words::noPermission}, {"status", word(names, status)}});
    return exitNoPermission;
  }
  // 5
  const double start = secondsOr(opt(args, "--start"), 0);
  const double dur = secondsOr(opt(args, "--dur"), 0);
  const std::int64_t size = integerOr(opt(args, "--size"), 1080);
  // 6
  if (args.size() < 2) {
    say(out, {{"error", words::usage}});
    return exitUsage;
  }
  // 7
  const std::string id = args[0];
  std::error_code ignored;
  const fs::path dst = fs::absolute(args[1], ignored).lexically_normal();
  // 8
  const auto asset = library.fetchAsset(id);
  if (!asset || asset->mediaType != static_cast<std::int64_t>(MediaType::video)) {
    say(out, {{"error", words::notFound}});
    return exitNotFound;
  }
  // 9
  return exportAsset(library, *asset, {start, dur, size, dst}, out, surroundings.wait);
}

}  // namespace vell::video
