#pragma once

#include <optional>
#include <string>
#include <vector>

#include "place/options.hpp"
#include "place/record.hpp"
#include "place/vision.hpp"

namespace vell::place {

// The image record of one job. Never fails: an unloadable picture gives
// {"k", "error": "unreadable"}, a failed main batch {"k", "w", "h",
// "error": "vision"}.
Record read(const std::string& key, const std::string& path, bool prints, const std::string& ocr,
            Vision& vision);

// Member "l": labels above 0.08, most confident first (stable), at most 20,
// each [identifier, r3(confidence)].
Record labelsMember(const std::vector<Classification>& labels);

// Number of people above 0.4.
int peopleCount(const std::vector<RectObservation>& humans);

// Width of the widest face; nothing without faces.
std::optional<double> widestFace(const std::vector<RectObservation>& faces);

// Member "sal": the largest region (the first of equal areas) as
// [x, top, w, h] with a top-left origin; nothing without regions.
std::optional<Record> salientMember(const std::vector<NormalizedRect>& regions);

// Summed area of the text rectangles, at most 1.
double textCoverage(const std::vector<RectObservation>& rectangles);

}  // namespace vell::place
