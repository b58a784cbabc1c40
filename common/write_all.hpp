#pragma once

#include <string_view>

namespace vell {

// Writes all of `bytes` to `fd`, across short writes and interruptions.
// False when a write fails or writes nothing (errno says why); what was
// written before stays written.
bool writeAll(int fd, std::string_view bytes);

}  // namespace vell
