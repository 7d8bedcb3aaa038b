#pragma once

// What `slice` and `section` share: planes given on the command line, and the body they
// cut, read and checked.

#include <memory>
#include <string>
#include <vector>

class G3Surface;

namespace pkcli {

/// The plane A·x + B·y + C·z = D from values[at .. at + 3], divided by |(A, B, C)| into
/// *unit (so unit[3] is the signed distance of the plane from the origin). False with
/// *error set to one line for a missing value, a non-finite one or a zero normal.
bool UnitPlaneOf(const std::vector<double>& values,
                 std::size_t at,
                 double unit[4],
                 std::string* error);

/// Reads a body for `command` with its planes formed; with `requireClosed`, refuses one
/// that is not closed. Null with the failure reported ("polykern: COMMAND: …").
std::unique_ptr<G3Surface> ReadBody(const std::string& command,
                                    const std::string& path,
                                    bool requireClosed);

/// A number for a report: up to ten significant digits, no "-0" or rounding dust.
std::string ReportNumber(double x);

}  // namespace pkcli
