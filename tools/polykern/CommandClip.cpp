// polykern clip IN OUT (--rect XMIN YMIN XMAX YMAX | --polygon FILE)
//
// Polyline files are text: one point "x y" per line, a blank line between polylines.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "polykern/clipping/G3PolylineClipper.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/PolylineFiles.h"

namespace pkcli {

namespace {

using Point = PlanPoint;

struct ClipOptions {
    std::string input;
    std::string output;
    std::vector<double> rect;
    std::string polygon;
};

// Turns clipped contours back into polylines: an invisible segment (a run along the window)
// ends one polyline and starts the next.
class VisibleRuns : public GPathLoader {
public:
    explicit VisibleRuns(std::vector<Polyline>* out) : m_Out(out) {}
    void PathBegin(int) override {}
    void PathSetPreferPlane(int, int) override {}
    void PathContourBegin(double* p, int, CONTOUR_TYPE) override { m_Run = {{p[0], p[1]}}; }
    void PathContourSegmentTo(SEGMENT_TYPE, SEGMENT_VISIBILITY vis, int n, double* p) override {
        for (int i = 0; i < n; ++i) {
            const Point q{p[3 * i], p[3 * i + 1]};
            if (vis == SEGMENT_INVISIBLE) {
                Flush();
                m_Run = {q};
            } else if (!(q == m_Run.back())) {
                m_Run.push_back(q);
            }
        }
    }
    void PathContourEnd() override { Flush(); }
    void PathEnd() override {}

private:
    void Flush() {
        if (m_Run.size() >= 2) m_Out->push_back(m_Run);
        m_Run.clear();
    }
    std::vector<Polyline>* m_Out;
    Polyline m_Run;
};

std::vector<Polyline> ClipToRectangle(const std::vector<Polyline>& lines,
                                      const std::vector<double>& r) {
    G3PolylineClipper clipper(r[0], r[1], r[2], r[3]);
    clipper.PathBegin(static_cast<int>(lines.size()));
    for (const Polyline& line : lines) {
        double p[3] = {line[0].x, line[0].y, 0.0};
        clipper.PathContourBegin(p, static_cast<int>(line.size()), CONTOUR_UNCLASSIFIED);
        for (size_t i = 1; i < line.size(); ++i) {
            double q[3] = {line[i].x, line[i].y, 0.0};
            clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, q);
        }
        clipper.PathContourEnd();
    }
    clipper.PathEnd();
    std::vector<Polyline> out;
    VisibleRuns runs(&out);
    clipper.DoClip(&runs, G3PolylineClipper::CLIP_ALL);
    return out;
}

// Collects the pieces of one segment.
class Pieces : public GLineLoader {
public:
    void LineLoad(const double* from, const double* to) override {
        list.push_back({{from[0], from[1]}, {to[0], to[1]}});
    }
    std::vector<std::pair<Point, Point>> list;
};

// Clips every segment and joins pieces that meet end to start back into polylines, each
// running the way the input did.
std::vector<Polyline> ClipToPolygon(const std::vector<Polyline>& lines, const Polyline& polygon) {
    std::vector<double> xy;
    for (const Point& p : polygon) xy.insert(xy.end(), {p.x, p.y});
    G3PolylineClipper clipper(static_cast<int>(polygon.size()), xy.data());
    std::vector<Polyline> out;
    for (const Polyline& line : lines) {
        Polyline run;
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            const double a[3] = {line[i].x, line[i].y, 0.0};
            const double b[3] = {line[i + 1].x, line[i + 1].y, 0.0};
            Pieces pieces;
            clipper.DoClip(a, b, &pieces);
            // Pieces come ordered along the segment's main axis, perhaps against a to b.
            auto backwards = [&](const std::pair<Point, Point>& piece) {
                return (piece.second.x - piece.first.x) * (b[0] - a[0]) +
                           (piece.second.y - piece.first.y) * (b[1] - a[1]) <
                       0;
            };
            const bool reversed = !pieces.list.empty() && backwards(pieces.list[0]);
            if (reversed) {
                std::reverse(pieces.list.begin(), pieces.list.end());
                for (auto& piece : pieces.list) std::swap(piece.first, piece.second);
            }
            for (const auto& piece : pieces.list) {
                if (run.empty() || !(run.back() == piece.first)) {
                    if (run.size() >= 2) out.push_back(run);
                    run = {piece.first};
                }
                run.push_back(piece.second);
            }
        }
        if (run.size() >= 2) out.push_back(run);
    }
    return out;
}

int RunClip(const Session& session, const ClipOptions& o) {
    std::string error;
    std::vector<Polyline> lines;
    if (!ReadPolylines(o.input, &lines, &error)) return Fail(error);
    std::vector<Polyline> clipped;
    if (!o.polygon.empty()) {
        std::vector<Polyline> polygon;
        if (!ReadPolylines(o.polygon, &polygon, &error)) return Fail(error);
        if (polygon.size() != 1 || polygon[0].size() < 3)
            return Fail(o.polygon + ": the polygon must be one polyline of at least three points");
        Progress(session,
                 "clipping to a polygon of " + std::to_string(polygon[0].size()) + " points");
        clipped = ClipToPolygon(lines, polygon[0]);
    } else {
        Progress(session, "clipping to the rectangle");
        clipped = ClipToRectangle(lines, o.rect);
    }
    if (!WritePolylines(o.output, clipped, &error)) return Fail(error);
    std::printf("%zu polylines in, %zu out\n", lines.size(), clipped.size());
    return kExitOk;
}

}  // namespace

void AddClipCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<ClipOptions>();
    CLI::App* cmd = app.add_subcommand(
        "clip",
        "Clip polylines (x y per line, a blank line between them) to a rectangle or a "
        "polygon");
    cmd->add_option("IN", o->input, "Polyline file to read")->required();
    cmd->add_option("OUT", o->output, "Polyline file to write")->required();
    CLI::Option_group* window = cmd->add_option_group("window", "The window to clip to");
    window->add_option("--rect", o->rect, "Rectangle given by two corners: XMIN YMIN XMAX YMAX")
        ->expected(4);
    window->add_option("--polygon", o->polygon,
                       "Polygon file: one polyline, closed from its last point to its first");
    window->require_option(1);
    cmd->callback([&session, o] { session.status = RunClip(session, *o); });
}

}  // namespace pkcli
