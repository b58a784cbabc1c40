#pragma once

#include <map>
#include <string>

namespace vell::video {

// Photo-library authorization values and the words the answers use for them.
using Names = std::map<int, std::string>;

Names makeNames();

// The word for `status`; "unknown" for a value `names` does not hold.
std::string word(const Names& names, int status);

}  // namespace vell::video
