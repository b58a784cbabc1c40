#pragma once

#include <cstdio>
#include <string_view>

#include "seal/json.hpp"

namespace vell::seal {

// The whole answer line (without its line feed) for one request line. Never
// fails: every outcome is one line.
SecretString answerLine(std::string_view line);

// Reads request lines from `inputFd` until end of input and writes one
// answer line to `output` for each, each flushed as soon as it is complete.
// A last line without a line feed is still answered.
void serve(int inputFd, std::FILE* output);

}  // namespace vell::seal
