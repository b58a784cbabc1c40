#include "place/record.hpp"

namespace vell::place {

std::optional<std::string> serialise(const Record& record) {
  try {
    return record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::strict);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

}  // namespace vell::place
