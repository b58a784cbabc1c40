#pragma once

#include <string_view>

#include "platform/crypto/crypto.hpp"
#include "seal/json.hpp"

namespace vell::seal {

// Answers one request object. Fails with SealError for the failures the
// service words itself, with OperationFailure (or any other exception) for
// every other one. Keys, secrets and plaintexts are wiped before it returns.
Json handle(const Json& request);

// The bytes of the base64 member `name`; fails with "missing <name>" when it
// is absent, not a string or not base64.
platform::Secret need(const Json& request, std::string_view name);

}  // namespace vell::seal
