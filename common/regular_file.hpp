#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.hpp"

namespace vell {

// The whole content of the regular file at `path`, read from one opening of
// it. Anything else is refused at once: a device or a named pipe may never
// end (or, opened for reading with no writer, never open), and a folder or
// a socket holds nothing to read. A path holding a NUL character names no
// file (the system would read only up to it: another file), and a file
// longer than `maxBytes` is refused too. Error texts start with "cannot read
// <path>: ".
template <typename Bytes>
Result<Bytes> readRegularFile(const std::string& path, std::int64_t maxBytes);

extern template Result<std::string> readRegularFile(const std::string&, std::int64_t);
extern template Result<std::vector<std::uint8_t>> readRegularFile(const std::string&, std::int64_t);

}  // namespace vell
