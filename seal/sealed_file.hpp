#pragma once

#include <cstdint>
#include <string>

#include "common/result.hpp"
#include "platform/crypto/crypto.hpp"

namespace vell::seal {

// Seals the whole file at `inPath` under `key` (32 bytes) and writes the
// combined sealed value to `outPath` atomically: the path then holds either
// its old content or all of the new one, and a failure leaves no temporary
// file. Relative paths are taken from the working directory. Returns the
// number of bytes written (the input's length plus 28). Plaintext buffers
// are wiped when done.
Result<std::int64_t> sealFile(platform::ByteView key, const std::string& inPath,
                              const std::string& outPath, platform::ByteView aad);

}  // namespace vell::seal
