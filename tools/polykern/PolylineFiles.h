#pragma once

// Polyline files, as `clip` reads and writes them and `section` writes them: text, one
// point "x y" per line, a blank line between polylines.

#include <string>
#include <vector>

namespace pkcli {

struct PlanPoint {
    double x, y;
    bool operator==(const PlanPoint& o) const { return x == o.x && y == o.y; }
};
using Polyline = std::vector<PlanPoint>;

/// Parses "x y" with optional surrounding blanks; false for anything else or a value that
/// is not finite.
bool ParsePlanPoint(const std::string& line, PlanPoint* p);

/// Appends the polylines of `path` to *out; false with *error set (naming the file and
/// line) on an unreadable file, a line that is not two finite numbers or a polyline of
/// one point.
bool ReadPolylines(const std::string& path, std::vector<Polyline>* out, std::string* error);

/// Writes the polylines (shortest round-trip decimal form) to a fresh temporary beside
/// `path` and renames it into place, so `path` is either complete or untouched; false with
/// *error set to one line on failure.
bool WritePolylines(const std::string& path,
                    const std::vector<Polyline>& lines,
                    std::string* error);

}  // namespace pkcli
