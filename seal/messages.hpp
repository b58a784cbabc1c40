#pragma once

#include <string_view>

namespace vell::seal {

// The service's fixed texts, spelled once.
inline constexpr std::string_view kNotJson = "not JSON";
// U+2019 RIGHT SINGLE QUOTATION MARK, not the ASCII apostrophe.
inline constexpr std::string_view kDidNotCheckOut = "that didn\u2019t check out";
inline constexpr std::string_view kAnswerFailedLine = R"({"error":"answer"})";
inline constexpr std::string_view kSelftestPassed = "ok";
inline constexpr std::string_view kSelftestFailed = "FAILED";

inline constexpr std::string_view kMissing = "missing ";
inline constexpr std::string_view kKeyMustBe32 = "the key must be 32 bytes";
inline constexpr std::string_view kSealfileNeeds = "sealfile needs key, in and out";
inline constexpr std::string_view kUnknownOp = "unknown op";

// Exit statuses.
inline constexpr int kExitDone = 0;  // end of input; the self-test passed
inline constexpr int kExitSelftestFailed = 1;
// Standard input could not be read, or an answer (or the verdict) could not
// be written in full: the parent would otherwise take lost answers for
// success. 74 is EX_IOERR of sysexits.h.
inline constexpr int kExitInputOutput = 74;

}  // namespace vell::seal
