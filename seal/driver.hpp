#pragma once

namespace vell::seal {

// The program: "selftest" as the first argument prints the verdict and exits
// 0 or 1 without reading standard input; anything else serves request lines
// from standard input until it ends, then exits 0.
int run(int argc, char** argv);

}  // namespace vell::seal
