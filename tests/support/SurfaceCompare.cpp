#include "tests/support/SurfaceCompare.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pktest {

namespace {

int IdOf(const G3Obj* o) {
    return o != nullptr ? o->GetId() : -1;
}

::testing::AssertionResult Differ(const char* what, int i, long long a, long long b) {
    return ::testing::AssertionFailure() << what << " " << i << ": " << a << " against " << b;
}

}  // namespace

std::string DumpText(const G3Surface* s) {
    static int serial = 0;
    const std::string path = "/tmp/pk-compare-" + std::to_string(getpid()) + "-" +
                             std::to_string(serial++) + ".dump";
    s->Save(path.c_str());
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

::testing::AssertionResult SameSurface(const G3Surface* a, const G3Surface* b) {
    if (a->GetVertexCount() != b->GetVertexCount())
        return Differ("vertex count", 0, a->GetVertexCount(), b->GetVertexCount());
    if (a->GetEdgeCount() != b->GetEdgeCount())
        return Differ("edge count", 0, a->GetEdgeCount(), b->GetEdgeCount());
    if (a->GetFacetCount() != b->GetFacetCount())
        return Differ("facet count", 0, a->GetFacetCount(), b->GetFacetCount());
    if (a->GetEdgeFlags() != b->GetEdgeFlags())
        return Differ("current edge flags", 0, a->GetEdgeFlags(), b->GetEdgeFlags());
    for (int i = 0; i < a->GetVertexCount(); ++i) {
        const G3Vertex* va = a->GetVertex(i);
        const G3Vertex* vb = b->GetVertex(i);
        if (va->GetId() != i || vb->GetId() != i) return Differ("vertex id", i, va->GetId(), vb->GetId());
        if (std::memcmp(va->GetXYZ(), vb->GetXYZ(), 3 * sizeof(double)) != 0)
            return ::testing::AssertionFailure() << "vertex " << i << " moved";
        const G3Edge* ea = va->GetFirstEdge();
        const G3Edge* eb = vb->GetFirstEdge();
        for (; ea != nullptr && eb != nullptr; ea = va->NextEdge(ea), eb = vb->NextEdge(eb)) {
            if (IdOf(ea) != IdOf(eb)) return Differ("edge list of vertex", i, IdOf(ea), IdOf(eb));
        }
        if (ea != eb) return ::testing::AssertionFailure() << "edge list length of vertex " << i;
    }
    for (int i = 0; i < a->GetEdgeCount(); ++i) {
        const G3Edge* ea = a->GetEdge(i);
        const G3Edge* eb = b->GetEdge(i);
        if (ea->GetId() != i || eb->GetId() != i) return Differ("edge id", i, ea->GetId(), eb->GetId());
        if (IdOf(ea->GetVertex1()) != IdOf(eb->GetVertex1()) ||
            IdOf(ea->GetVertex2()) != IdOf(eb->GetVertex2()))
            return Differ("ends of edge", i, IdOf(ea->GetVertex1()), IdOf(eb->GetVertex1()));
        if (IdOf(ea->GetFacet1()) != IdOf(eb->GetFacet1()) ||
            IdOf(ea->GetFacet2()) != IdOf(eb->GetFacet2()))
            return Differ("facets of edge", i, IdOf(ea->GetFacet1()), IdOf(eb->GetFacet1()));
        if (ea->GetFlags() != eb->GetFlags()) return Differ("flags of edge", i, ea->GetFlags(), eb->GetFlags());
    }
    for (int i = 0; i < a->GetFacetCount(); ++i) {
        const G3Facet* fa = a->GetFacet(i);
        const G3Facet* fb = b->GetFacet(i);
        if (fa->GetId() != i || fb->GetId() != i) return Differ("facet id", i, fa->GetId(), fb->GetId());
        if (fa->GetSurface() != fb->GetSurface())
            return Differ("surface number of facet", i, fa->GetSurface(), fb->GetSurface());
        if (std::memcmp(fa->GetPlane(), fb->GetPlane(), 4 * sizeof(double)) != 0)
            return ::testing::AssertionFailure() << "plane of facet " << i;
        const G3Edge* ea = fa->GetFirstEdge();
        const G3Edge* eb = fb->GetFirstEdge();
        for (; ea != nullptr && eb != nullptr; ea = fa->NextEdge(ea), eb = fb->NextEdge(eb)) {
            if (IdOf(ea) != IdOf(eb)) return Differ("ring of facet", i, IdOf(ea), IdOf(eb));
        }
        if (ea != eb) return ::testing::AssertionFailure() << "ring length of facet " << i;
    }
    if (DumpText(a) != DumpText(b)) return ::testing::AssertionFailure() << "dumps differ";
    return ::testing::AssertionSuccess();
}

}  // namespace pktest
