#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vell::cover {

// Runs vell-cover on `args` (the arguments after the program name) and
// returns the exit status of a successful run. Failures end the process
// through `fail`.
int run(const std::vector<std::string>& args);

// Writes `message` and a line feed to standard error in one write and ends
// the process with `status`.
[[noreturn]] void fail(std::string_view message, int status);

}  // namespace vell::cover
