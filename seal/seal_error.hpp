#pragma once

#include <string>

namespace vell::seal {

// A failure the service words itself; its message is answered unchanged.
struct SealError {
  enum class Case { bad };
  Case kind = Case::bad;
  std::string message;

  static SealError bad(std::string message) { return {Case::bad, std::move(message)}; }
};

// Any other failure of an operation; answered with one fixed text, the
// cause is never reported.
struct OperationFailure {
  std::string cause;
};

}  // namespace vell::seal
