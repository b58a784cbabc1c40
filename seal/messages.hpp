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

}  // namespace vell::seal
