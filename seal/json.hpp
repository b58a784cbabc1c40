#pragma once

#include <nlohmann/json.hpp>

#include "seal/secret_buffer.hpp"

namespace vell::seal {

// A JSON value for reading and checking requests and answers in tests; its
// strings wipe themselves.
using Json = nlohmann::basic_json<std::map, std::vector, SecretString>;

}  // namespace vell::seal
