#include "video/run.hpp"

#include <iostream>

#include "common/atomic_file.hpp"
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
  // 8. A catalogue held by a writer past the wait is a failed export, not a
  // missing asset.
  const auto fetched = library.fetchAsset(id);
  if (!fetched) {
    say(out, {{"error", words::exportFailed}, {"detail", detail(fetched.error().text)}});
    return exitNotCompleted;
  }
  const std::optional<platform::PhotoAsset>& asset = *fetched;
  if (!asset || asset->mediaType != static_cast<std::int64_t>(MediaType::video)) {
    say(out, {{"error", words::notFound}});
    return exitNotFound;
  }
  // The export would replace the library's own files: refused before
  // anything is touched, whatever the spelling of the path.
  for (const fs::path& own : {asset->file, library.catalogue()}) {
    if (!own.empty() && sameFile(dst, own)) {
      say(out, {{"error", words::exportFailed},
                {"detail", detail("The output is the photo library's own file: " + dst.string())}});
      return exitNotCompleted;
    }
  }
  // 9
  return exportAsset(library, *asset, {start, dur, size, dst}, out, surroundings.wait);
}

}  // namespace vell::video
