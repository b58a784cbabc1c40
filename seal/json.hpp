#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "platform/crypto/crypto.hpp"

namespace vell::seal {

// Text whose memory is wiped when freed: request members such as "priv" and
// "key" pass through the JSON reader's buffers as this type.
using SecretString =
    std::basic_string<char, std::char_traits<char>, platform::WipingAllocator<char>>;

// The JSON value type of requests and answers; its strings wipe themselves.
using Json = nlohmann::basic_json<std::map, std::vector, SecretString>;

}  // namespace vell::seal
