#pragma once

namespace vell::encode {

// The whole program: reads the command line and dir/index.json, writes the
// video, prints one line on standard output ("ok", "failed " and why, "no
// frames" or the usage line) and returns the exit status.
int run(int argc, char** argv);

}  // namespace vell::encode
