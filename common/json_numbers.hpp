#pragma once

#include <string>
#include <string_view>

namespace vell {

// `json` with every number literal beyond a double's range (1e999, a
// 100,000-digit integer) written as the largest double of its sign. JSON
// itself sets no range, but the parser refuses such text whole; after this
// it reads, with those numbers as large as a double can be. Text inside
// strings, and anything that is not JSON, is left as it is.
std::string boundHugeNumbers(std::string_view json);

}  // namespace vell
