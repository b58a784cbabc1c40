#pragma once

#include <span>

#include "platform/crypto/crypto.hpp"
#include "seal/answer.hpp"
#include "seal/request.hpp"

namespace vell::seal {

// Answers one request into `answer` (cleared first). Fails with SealError
// for the failures the service words itself, with OperationFailure (or any
// other exception) for every other one; the answer is then left unfinished.
// Decoded base64 members are used in place (sealed, opened) and wiped with
// the request; the other keys and secrets are wiped before it returns.
void handle(Request& request, Answer& answer);

// The bytes of the base64 member `field`; fails with "missing <name>" when
// it is absent, not a string or not base64.
std::span<std::uint8_t> need(Request& request, Field field);

}  // namespace vell::seal
