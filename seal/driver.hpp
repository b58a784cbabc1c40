#pragma once

namespace vell::seal {

// The program: "selftest" as the first argument prints the verdict and exits
// 0 or 1 without reading standard input; anything else serves request lines
// from standard input until it ends, then exits 0. Either way, an answer
// that cannot be written, or standard input that cannot be read, ends it
// at once with kExitInputOutput.
int run(int argc, char** argv);

}  // namespace vell::seal
