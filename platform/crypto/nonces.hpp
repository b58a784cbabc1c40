#pragma once

#include <cstdint>

#include "common/result.hpp"

namespace vell::platform {

// Writes a fresh 12-byte nonce from OpenSSL's generator to `nonce`.
//
// Nonces are drawn a few hundred at a time and handed out one by one:
// OpenSSL asks the kernel for the process id (its fork check) on every call
// of its generator, and that system call cost more than sealing 1 KiB. The
// stock lives in a page that the kernel empties in a forked child, so a
// child can never hand out its parent's nonces; where the kernel cannot do
// that, every nonce is drawn on its own. Each nonce is wiped from the stock
// as it is handed out.
Status freshNonce(std::uint8_t* nonce);

}  // namespace vell::platform
