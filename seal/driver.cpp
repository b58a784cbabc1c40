#include "seal/driver.hpp"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "seal/messages.hpp"
#include "seal/selftest.hpp"
#include "seal/service.hpp"

namespace vell::seal {

int run(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "selftest") {
    bool passed = selftest();
    std::string verdict = std::string(passed ? kSelftestPassed : kSelftestFailed) + "\n";
    bool written = std::fwrite(verdict.data(), 1, verdict.size(), stdout) == verdict.size() &&
                   std::fflush(stdout) == 0;
    if (!written)
      return kExitInputOutput;
    return passed ? kExitDone : kExitSelftestFailed;
  }
  if (serve(STDIN_FILENO, STDOUT_FILENO) != Served::endOfInput)
    return kExitInputOutput;
  return kExitDone;
}

}  // namespace vell::seal
