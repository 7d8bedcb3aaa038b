// polykern pick IN --from X Y Z --to X Y Z
//
// Prints every place where the segment from → to meets the surface, nearest first: the
// facet (by its index in the file's order), or the edge or vertex between facets, with the
// point, the normal and the distance from `from`.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3QuadraSurfaceTree.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/PlaneInput.h"

namespace pkcli {

namespace {

struct PickOptions {
    std::string input;
    std::vector<double> from;
    std::vector<double> to;
};

// One line of the answer.
struct Hit {
    double distance;
    std::string what;
    double point[3];
    double normal[3];
};

std::string FacetName(const G3Facet* f) {
    return f != nullptr ? std::to_string(f->GetId()) : std::string("-");
}

// Keeps the edge and vertex hits too, which the metric result only weighs.
class AllHits : public G3RayTraceMetricResult {
public:
    explicit AllHits(const double* eye) : G3RayTraceMetricResult(eye) {}
    bool FindEdge(const double* point, const double* normal, G3Edge* edge) override {
        Keep(point, normal,
             "edge between facets " + FacetName(edge->GetFacet1()) + " and " +
                 FacetName(edge->GetFacet2()));
        return G3RayTraceMetricResult::FindEdge(point, normal, edge);
    }
    bool FindVertex(const double* point, const double* normal, G3Vertex* vertex) override {
        Keep(point, normal, "vertex " + std::to_string(vertex->GetId()));
        return G3RayTraceMetricResult::FindVertex(point, normal, vertex);
    }
    std::vector<Hit> others;

private:
    void Keep(const double* point, const double* normal, const std::string& what) {
        Hit h{0.0, what, {point[0], point[1], point[2]}, {normal[0], normal[1], normal[2]}};
        const double* e = GetEyePosition();
        h.distance = std::sqrt((point[0] - e[0]) * (point[0] - e[0]) +
                               (point[1] - e[1]) * (point[1] - e[1]) +
                               (point[2] - e[2]) * (point[2] - e[2]));
        others.push_back(h);
    }
};

std::string Triple(const double* v) {
    return ReportNumber(v[0]) + " " + ReportNumber(v[1]) + " " + ReportNumber(v[2]);
}

int RunPick(const Session& session, const PickOptions& o) {
    TraceToStderr trace(session);
    double from[3] = {o.from[0], o.from[1], o.from[2]};
    double to[3] = {o.to[0], o.to[1], o.to[2]};
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(from[k]) || !std::isfinite(to[k]))
            return Fail("pick: --from and --to must be finite points");
    }
    std::unique_ptr<G3Surface> s = ReadBody("pick", o.input, false);
    if (s == nullptr) return kExitFailed;
    s->AssignIds();
    G3QuadraSurfaceTree tree(s.get());
    if (!tree.MakeTree()) return Fail("pick: " + o.input + " has no finite facets to pick");
    GArrayCollection candidates;
    tree.FindIntersection(from, to, &candidates);
    Progress(session, std::to_string(candidates.size()) + " of " +
                          std::to_string(s->GetFacetCount()) + " facets near the segment");
    AllHits hits(from);
    G3BooleanCalculator::TestRayAndFacetList(from, to, &candidates, &hits);
    std::vector<Hit> all;
    for (const G3RayTraceHit* r = hits.GetHitRecords(); r != nullptr; r = r->next) {
        all.push_back({r->distance,
                       "facet " + FacetName(r->facet),
                       {r->point[0], r->point[1], r->point[2]},
                       {r->normal[0], r->normal[1], r->normal[2]}});
    }
    all.insert(all.end(), hits.others.begin(), hits.others.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const Hit& a, const Hit& b) { return a.distance < b.distance; });
    std::printf("%zu hits\n", all.size());
    for (const Hit& h : all) {
        std::printf("%s at %s normal %s distance %s\n", h.what.c_str(), Triple(h.point).c_str(),
                    Triple(h.normal).c_str(), ReportNumber(h.distance).c_str());
    }
    return kExitOk;
}

}  // namespace

void AddPickCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<PickOptions>();
    CLI::App* cmd = app.add_subcommand(
        "pick",
        "Print where the segment --from → --to meets a surface, nearest first: the facet (its "
        "index in the file), edge or vertex, the point, the normal and the distance");
    cmd->add_option("IN", o->input, "Surface in any format convert reads")->required();
    cmd->add_option("--from", o->from, "The segment's start X Y Z (distances are measured here)")
        ->expected(3)
        ->required();
    cmd->add_option("--to", o->to, "The segment's end X Y Z")->expected(3)->required();
    cmd->callback([&session, o] { session.status = RunPick(session, *o); });
}

}  // namespace pkcli
