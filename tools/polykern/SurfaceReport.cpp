#include "tools/polykern/SurfaceReport.h"

#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pkcli {

namespace {

constexpr double kAreaTolerance = 1e-12;

struct PairHash {
    std::size_t operator()(const std::pair<const G3Vertex*, const G3Vertex*>& p) const {
        return std::hash<const void*>()(p.first) * 31u ^ std::hash<const void*>()(p.second);
    }
};

// Facet sides per vertex pair, whichever edges carry them.
void CountSides(const G3Surface* s, SurfaceReport& r) {
    std::unordered_map<std::pair<const G3Vertex*, const G3Vertex*>, int, PairHash> sides;
    sides.reserve(static_cast<std::size_t>(s->GetEdgeCount()));
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetFacetCount() == 0) {
            ++r.looseEdges;
            continue;
        }
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        if (b < a) std::swap(a, b);
        sides[{a, b}] += e->GetFacetCount();
    }
    for (const auto& [pair, n] : sides) {
        r.openEdges += n == 1;
        r.nonManifoldEdges += n > 2;
    }
}

// Adds one facet's volume (cones from the origin over a fan of each loop) and area (the
// length of the summed vector areas of its loops, holes running the other way).
void MeasureFacet(const G3Facet* f,
                  std::vector<G3Vertex*>& starts,
                  std::vector<int>& loopEnds,
                  SurfaceReport& r) {
    if (f->GetEdgeCount() < 3 || !f->GetLoops(starts, loopEnds)) {
        ++r.degenerateFacets;
        return;
    }
    r.holes += static_cast<int>(loopEnds.size()) - 1;
    r.euler += 2 - static_cast<int>(loopEnds.size());
    double vectorArea[3] = {0, 0, 0};
    std::size_t begin = 0;
    for (const int end : loopEnds) {
        const double* p0 = starts[begin]->GetXYZ();
        for (std::size_t k = begin + 1; k + 1 < static_cast<std::size_t>(end); ++k) {
            const double* p = starts[k]->GetXYZ();
            const double* q = starts[k + 1]->GetXYZ();
            const double u[3] = {p[0] - p0[0], p[1] - p0[1], p[2] - p0[2]};
            const double v[3] = {q[0] - p0[0], q[1] - p0[1], q[2] - p0[2]};
            const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
            for (int a = 0; a < 3; ++a) vectorArea[a] += 0.5 * c[a];
            r.volume += (p0[0] * c[0] + p0[1] * c[1] + p0[2] * c[2]) / 6.0;
        }
        begin = static_cast<std::size_t>(end);
    }
    const double area = std::sqrt(vectorArea[0] * vectorArea[0] + vectorArea[1] * vectorArea[1] +
                                  vectorArea[2] * vectorArea[2]);
    if (area < kAreaTolerance) ++r.degenerateFacets;
    r.area += area;
}

std::string Number(double x) {
    if (std::fabs(x) < 5e-13) x = 0.0;  // no "-0" or rounding dust in a report
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", x);
    return buf;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

SurfaceReport MeasureSurface(const G3Surface* s) {
    SurfaceReport r;
    r.vertices = s->GetVertexCount();
    r.edges = s->GetEdgeCount();
    r.facets = s->GetFacetCount();
    r.normals = s->GetNormalCount();
    r.texCoos = s->GetTexCooCount();
    r.closed = r.facets > 0 && s->GetClosed();
    r.euler = r.vertices - r.edges;
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    for (int i = 0; i < r.facets; ++i) MeasureFacet(s->GetFacet(i), starts, loopEnds, r);
    for (int i = 0; i < r.vertices; ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        for (int a = 0; a < 3; ++a) {
            r.min[a] = r.hasEnvelope ? std::min(r.min[a], p[a]) : p[a];
            r.max[a] = r.hasEnvelope ? std::max(r.max[a], p[a]) : p[a];
        }
        r.hasEnvelope = true;
    }
    CountSides(s, r);
    r.euler += r.looseEdges;
    return r;
}

void PrintReport(FILE* out, const SurfaceReport& r, const std::string& name, bool json) {
    const std::string lo = Number(r.min[0]) + " " + Number(r.min[1]) + " " + Number(r.min[2]);
    const std::string hi = Number(r.max[0]) + " " + Number(r.max[1]) + " " + Number(r.max[2]);
    if (json) {
        std::fprintf(out,
                     "{\"file\": %s, \"vertices\": %d, \"edges\": %d, \"facets\": %d, "
                     "\"normals\": %d, \"texture_coordinates\": %d, \"holes\": %d, "
                     "\"closed\": %s, \"euler\": %d, \"volume\": %s, \"area\": %s, ",
                     JsonString(name).c_str(), r.vertices, r.edges, r.facets, r.normals, r.texCoos,
                     r.holes, r.closed ? "true" : "false", r.euler, Number(r.volume).c_str(),
                     Number(r.area).c_str());
        if (r.hasEnvelope) {
            std::fprintf(out, "\"envelope\": {\"min\": [%s, %s, %s], \"max\": [%s, %s, %s]}, ",
                         Number(r.min[0]).c_str(), Number(r.min[1]).c_str(),
                         Number(r.min[2]).c_str(), Number(r.max[0]).c_str(),
                         Number(r.max[1]).c_str(), Number(r.max[2]).c_str());
        } else {
            std::fprintf(out, "\"envelope\": null, ");
        }
        std::fprintf(out,
                     "\"open_edges\": %d, \"non_manifold_edges\": %d, \"degenerate_facets\": %d, "
                     "\"loose_edges\": %d}\n",
                     r.openEdges, r.nonManifoldEdges, r.degenerateFacets, r.looseEdges);
        return;
    }
    const auto line = [out](const char* key, const std::string& value) {
        std::fprintf(out, "%-20s%s\n", key, value.c_str());
    };
    line("file", name);
    line("vertices", std::to_string(r.vertices));
    line("edges", std::to_string(r.edges));
    line("facets", std::to_string(r.facets));
    line("holes", std::to_string(r.holes));
    line("normals", std::to_string(r.normals));
    line("texture coords", std::to_string(r.texCoos));
    line("closed", r.closed ? "yes" : "no");
    line("euler", std::to_string(r.euler));
    line("volume", Number(r.volume));
    line("area", Number(r.area));
    line("envelope", r.hasEnvelope ? lo + " .. " + hi : "empty");
    line("open edges", std::to_string(r.openEdges));
    line("non-manifold edges", std::to_string(r.nonManifoldEdges));
    line("degenerate facets", std::to_string(r.degenerateFacets));
    line("loose edges", std::to_string(r.looseEdges));
}

}  // namespace pkcli
