#pragma once

namespace vell::cutout {

// vell-cutout: cuts every foreground subject of the picture named by the
// first argument out of it and writes them, cropped to their joint extent,
// as an RGBA PNG to the second. Prints nothing on success; otherwise one
// line on standard error. Returns the exit status (see messages.hpp).
int run(int argc, char** argv);

}  // namespace vell::cutout
