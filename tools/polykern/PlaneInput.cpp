#include "tools/polykern/PlaneInput.h"

#include <cmath>
#include <cstdio>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

bool UnitPlaneOf(const std::vector<double>& values,
                 std::size_t at,
                 double unit[4],
                 std::string* error) {
    if (values.size() < at + 4) {
        *error = "a plane needs four numbers A B C D (A·x + B·y + C·z = D)";
        return false;
    }
    const double* p = values.data() + at;
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(p[k])) {
            *error = "the plane " + ReportNumber(p[0]) + " " + ReportNumber(p[1]) + " " +
                     ReportNumber(p[2]) + " " + ReportNumber(p[3]) + " has a non-finite value";
            return false;
        }
    }
    // Scaled by the largest component first, so that neither huge nor tiny normals
    // overflow or vanish on the way to unit length.
    const double largest = std::fmax(std::fabs(p[0]), std::fmax(std::fabs(p[1]), std::fabs(p[2])));
    if (!(largest > 0.0)) {
        *error = "the plane " + ReportNumber(p[0]) + " " + ReportNumber(p[1]) + " " +
                 ReportNumber(p[2]) + " " + ReportNumber(p[3]) +
                 " has no direction: its normal (A, B, C) is zero";
        return false;
    }
    double scaled[4];
    for (int k = 0; k < 4; ++k) scaled[k] = p[k] / largest;
    const double length =
        std::sqrt(scaled[0] * scaled[0] + scaled[1] * scaled[1] + scaled[2] * scaled[2]);
    for (int k = 0; k < 4; ++k) unit[k] = scaled[k] / length;
    if (!std::isfinite(unit[3])) {
        *error = "the plane " + ReportNumber(p[0]) + " " + ReportNumber(p[1]) + " " +
                 ReportNumber(p[2]) + " " + ReportNumber(p[3]) +
                 " lies too far from the origin for its normal";
        return false;
    }
    return true;
}

std::unique_ptr<G3Surface> ReadBody(const std::string& command,
                                    const std::string& path,
                                    bool requireClosed) {
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(path, &error));
    if (s == nullptr) {
        Fail(command + ": " + error);
        return nullptr;
    }
    if (requireClosed) {
        const SurfaceReport r = MeasureSurface(s.get());
        if (!r.closed) {
            Fail(command + ": the body is not closed (" + path + ": " +
                 std::to_string(r.openEdges) + " open edges, " +
                 std::to_string(r.nonManifoldEdges) + " non-manifold)");
            return nullptr;
        }
    }
    s->FormPlaneEquation();
    return s;
}

std::string ReportNumber(double x) {
    if (std::fabs(x) < 5e-13) x = 0.0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", x);
    return buf;
}

}  // namespace pkcli
