#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "place/record.hpp"
#include "place/vision.hpp"

namespace vell::place {

// Whether the second pass runs: "always", or "auto" when the main batch found
// text rectangles. Every other word, in any other case, means never.
bool shouldRecognize(const std::string& ocr, size_t textRectangles);

// Whether the lines of text are read at all: every mode but never (any word
// other than "always" and "auto").
bool readsText(const std::string& ocr);

// `text` without leading and trailing white space and newlines: Unicode
// category Z, U+0009 to U+000D and U+0085.
std::string_view trimWhitespace(std::string_view text);

// The "tx" member from recognised lines in recognition order: each trimmed
// text of 2 to 80 user-perceived characters as [text, r3(confidence),
// r3(height)], tallest first (a stable sort), at most 24.
Record textLines(const std::vector<RecognizedText>& recognized);

// The text recognition step: the "tx" member, or nothing when the pass does
// not run or fails.
std::optional<Record> recognizeText(Vision& vision, const platform::Bitmap& image,
                                    const MainBatch& batch, const std::string& ocr);

}  // namespace vell::place
