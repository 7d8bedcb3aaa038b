// polykern regions OUTLINES -o OUT [--union]

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/regions/G3ContourDivider.h"
#include "polykern/regions/G3ContourIntersector.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/PolylineFiles.h"

namespace pkcli {

namespace {

struct RegionsOptions {
    std::string input;
    std::string output;
    bool unite = false;
};

// A resolved contour in plan.
struct Region {
    Polyline points;
    bool hole = false;
};

double SignedArea(const Polyline& p) {
    double a = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const PlanPoint& u = p[i];
        const PlanPoint& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return 0.5 * a;
}

// Outlines as the host draws them: closed, with or without the first point repeated.
Polyline OpenRing(Polyline line) {
    if (line.size() > 1 && line.front() == line.back()) line.pop_back();
    return line;
}

class DividerSink : public G3ContourDivider {
public:
    void BeginUnloadContour(int, bool isHole) override { regions.push_back({{}, isHole}); }
    void UnloadEdge(double* p1, int, double*, int, int, unsigned long, unsigned long) override {
        regions.back().points.push_back({p1[0], p1[1]});
    }
    std::vector<Region> regions;
};

class UnionSink : public G3ContourIntersector {
public:
    void UnloadBegin(int) override {}
    void ContourBeginUnload(double*) override { regions.push_back({}); }
    void ContourUnloadSegment(double* point, SEGMENT_TYPE, int) override {
        regions.back().points.push_back({point[0], point[1]});
    }
    void ContourEndUnload() override {
        // Each contour runs with the union on its left: holes run clockwise.
        regions.back().hole = SignedArea(regions.back().points) < 0;
    }
    void UnloadEnd() override {}
    std::vector<Region> regions;
};

std::vector<Region> Divide(const std::vector<Polyline>& outlines) {
    DividerSink divider;
    divider.BeginLoad(0, 0);
    for (const Polyline& raw : outlines) {
        const Polyline line = OpenRing(raw);
        divider.BeginLoadContour();
        for (std::size_t i = 0; i < line.size(); ++i) {
            const PlanPoint& a = line[i];
            const PlanPoint& b = line[(i + 1) % line.size()];
            double p[3] = {a.x, a.y, 0.0}, q[3] = {b.x, b.y, 0.0};
            divider.LoadEdge(p, q, 1, i, (i + 1) % line.size());
        }
        divider.EndLoadContour();
    }
    divider.EndLoad();
    return divider.regions;
}

std::vector<Region> Unite(const std::vector<Polyline>& outlines) {
    UnionSink sink;
    sink.LoadBegin(0, 1);
    for (const Polyline& raw : outlines) {
        const Polyline line = OpenRing(raw);
        double first[3] = {line[0].x, line[0].y, 0.0};
        sink.ContourBeginLoad(first);
        for (std::size_t i = 1; i < line.size(); ++i) {
            double p[3] = {line[i].x, line[i].y, 0.0};
            sink.ContourLoadSegment(p, SEGMENT_LINE, 0);
        }
        sink.ContourEndLoad(SEGMENT_LINE, 0);
    }
    sink.LoadEnd();
    sink.DoIntersect(BOOLEAN_OPERATION_ALL);
    return sink.regions;
}

int RunRegions(const Session& session, const RegionsOptions& o) {
    TraceToStderr trace(session);
    std::vector<Polyline> outlines;
    std::string error;
    if (!ReadPolylines(o.input, &outlines, &error)) return Fail("regions: " + error);
    Progress(session, std::to_string(outlines.size()) + " outlines");
    const std::vector<Region> regions = o.unite ? Unite(outlines) : Divide(outlines);

    std::vector<Polyline> lines;
    int holes = 0;
    double area = 0;
    for (const Region& r : regions) {
        Polyline closed = r.points;
        if (closed.empty()) continue;
        closed.push_back(closed.front());
        lines.push_back(closed);
        const double a = std::fabs(SignedArea(r.points));
        holes += r.hole;
        area += r.hole ? -a : a;
    }
    if (!WritePolylines(o.output, lines, &error)) return Fail("regions: " + error);
    std::printf("%zu outlines in, %zu contours out (%zu outer, %d holes), area %s\n",
                outlines.size(), lines.size(), lines.size() - std::size_t(holes), holes,
                std::to_string(area).c_str());
    for (std::size_t i = 0; i < regions.size(); ++i) {
        std::printf("contour %zu: %s, %zu points, area %s\n", i + 1,
                    regions[i].hole ? "hole" : "outer", regions[i].points.size(),
                    std::to_string(std::fabs(SignedArea(regions[i].points))).c_str());
    }
    return kExitOk;
}

}  // namespace

void AddRegionsCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<RegionsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "regions",
        "Resolve hand-drawn closed outlines (crossing, overlapping, doubled, turned either "
        "way) into simple contours that never cross: outlines that meet are united, one lying "
        "apart inside another cuts a hole; with --union, the union of every outline's inside. "
        "Writes the contours as closed polylines and prints their counts and areas");
    cmd->add_option("OUTLINES", o->input,
                    "Polylines as clip reads them (x y per line, a blank "
                    "line between outlines)")
        ->required();
    cmd->add_option("-o,--output", o->output, "Polyline file to write")->required();
    cmd->add_flag("--union", o->unite, "Unite every outline instead of nesting them");
    cmd->callback([&session, o] { session.status = RunRegions(session, *o); });
}

}  // namespace pkcli
