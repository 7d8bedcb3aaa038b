// The surface's text dump (written and read back) and its VRML 2.0 export.

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

// Numbers are written and read in the C locale, whatever the host set, for this thread
// and for the scope of one call.
class CLocale {
public:
    CLocale() : m_C(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
        if (m_C != static_cast<locale_t>(0)) m_Old = uselocale(m_C);
    }
    ~CLocale() {
        if (m_C == static_cast<locale_t>(0)) return;
        uselocale(m_Old);
        freelocale(m_C);
    }
    CLocale(const CLocale&) = delete;
    CLocale& operator=(const CLocale&) = delete;

private:
    locale_t m_C;
    locale_t m_Old = static_cast<locale_t>(0);
};

int IdOf(const G3Obj* o) {
    return o != nullptr ? o->GetId() : -1;
}

// Reads whitespace-separated numbers line by line, without undefined behaviour on
// overflow or garbage.
class Reader {
public:
    explicit Reader(FILE* f) : m_File(f) {}

    // The next line's fields, exactly n of them; false when the file ends or the line
    // holds something else.
    bool Ints(int n, long* out) {
        if (!Next()) return false;
        const char* p = m_Line.c_str();
        for (int k = 0; k < n; ++k) {
            char* end = nullptr;
            errno = 0;
            const long v = std::strtol(p, &end, 10);
            if (end == p || errno == ERANGE || v < -1 || v > 2147483647L) return false;
            out[k] = v;
            p = end;
        }
        return Rest(p);
    }

    bool Doubles(int n, double* out) {
        if (!Next()) return false;
        const char* p = m_Line.c_str();
        for (int k = 0; k < n; ++k) {
            char* end = nullptr;
            const double v = std::strtod(p, &end);
            if (end == p || !std::isfinite(v)) return false;
            out[k] = v;
            p = end;
        }
        return Rest(p);
    }

private:
    bool Next() {
        m_Line.clear();
        int c;
        while ((c = std::fgetc(m_File)) != EOF && c != '\n') m_Line.push_back(static_cast<char>(c));
        return c != EOF || !m_Line.empty();
    }

    static bool Rest(const char* p) {
        while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
        return *p == '\0';
    }

    FILE* m_File;
    std::string m_Line;
};

}  // namespace

void G3Surface::Save(const char* path) const {
    if (path == nullptr) return;
    FILE* f = std::fopen(path, "wt");
    if (f == nullptr) return;
    CLocale c;
    std::fprintf(f, "%d %d %d %d %d\n", GetVertexCount(), GetEdgeCount(), GetFacetCount(),
                 m_NextSurface, 0);
    for (int i = 0; i < GetVertexCount(); ++i) {
        const double* p = GetVertex(i)->GetXYZ();
        std::fprintf(f, "%.20lf %.20lf %.20lf\n", p[0], p[1], p[2]);
    }
    for (int i = 0; i < GetEdgeCount(); ++i) {
        const G3Edge* e = GetEdge(i);
        std::fprintf(f, "%d %d %d\n", IdOf(e->GetVertex1()), IdOf(e->GetVertex2()), e->GetFlags());
    }
    for (int i = 0; i < GetFacetCount(); ++i) {
        const G3Facet* x = GetFacet(i);
        std::fprintf(f, "%d %d %d %d\n", IdOf(x->GetFirstEdge()), IdOf(x->GetLastEdge()),
                     x->GetFlags(), x->GetSurface());
    }
    for (int i = 0; i < GetEdgeCount(); ++i) {
        const G3Edge* e = GetEdge(i);
        std::fprintf(f, "%d %d %d %d %d %d\n", IdOf(e->GetFacet1()), IdOf(e->GetFacet2()),
                     IdOf(e->GetFacet1Edge()), IdOf(e->GetFacet2Edge()), IdOf(e->GetVertex1Edge()),
                     IdOf(e->GetVertex2Edge()));
    }
    for (int i = 0; i < GetVertexCount(); ++i) {
        const G3Vertex* v = GetVertex(i);
        std::fprintf(f, "%d %d\n", IdOf(v->GetFirstEdge()), IdOf(v->GetLastEdge()));
    }
    std::fclose(f);
}

void G3Surface::Load(const char* path) {
    LoadChecked(path);
}

namespace {

// Every facet ring and vertex list ends, within the edge count, at its last edge and
// holds only edges that belong to it: nothing a later walk could loop in or fall out of.
bool LinksAreSound(const G3Surface& s) {
    const int edges = s.GetEdgeCount();
    for (int i = 0; i < s.GetFacetCount(); ++i) {
        const G3Facet* f = s.GetFacet(i);
        const G3Edge* last = nullptr;
        int steps = 0;
        for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
            if (++steps > edges || (e->GetFacet1() != f && e->GetFacet2() != f)) return false;
            last = e;
        }
        if (last != f->GetLastEdge()) return false;
    }
    for (int i = 0; i < s.GetVertexCount(); ++i) {
        const G3Vertex* v = s.GetVertex(i);
        const G3Edge* last = nullptr;
        int steps = 0;
        for (const G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
            if (++steps > edges || !e->HasVertex(v)) return false;
            last = e;
        }
        if (last != v->GetLastEdge()) return false;
    }
    return true;
}

}  // namespace

bool G3Surface::LoadChecked(const char* path) {
    if (path == nullptr || GetVertexCount() != 0 || GetEdgeCount() != 0 || GetFacetCount() != 0)
        return false;
    FILE* file = std::fopen(path, "rt");
    if (file == nullptr) return false;
    CLocale c;
    Reader in(file);
    long header[5];
    bool ok = in.Ints(5, header) && header[0] >= 0 && header[1] >= 0 && header[2] >= 0;
    const int nv = ok ? static_cast<int>(header[0]) : 0;
    const int ne = ok ? static_cast<int>(header[1]) : 0;
    const int nf = ok ? static_cast<int>(header[2]) : 0;
    // Grows with what is read, so a huge count in a short file costs nothing.
    auto edge = [&](long id) {
        return id >= 0 && id < GetEdgeCount() ? GetEdge(static_cast<int>(id)) : nullptr;
    };
    auto facet = [&](long id) {
        return id >= 0 && id < GetFacetCount() ? GetFacet(static_cast<int>(id)) : nullptr;
    };
    auto valid = [](long id, int n) { return id >= -1 && id < n; };
    for (int i = 0; ok && i < nv; ++i) {
        double p[3];
        ok = in.Doubles(3, p);
        if (ok) AddVertex(p, 0);
    }
    for (int i = 0; ok && i < ne; ++i) {
        long e[3];
        ok = in.Ints(3, e) && e[0] >= 0 && e[0] < nv && e[1] >= 0 && e[1] < nv && e[0] != e[1];
        if (!ok) break;
        auto* edgeObj =
            new G3Edge(GetVertex(static_cast<int>(e[0])), GetVertex(static_cast<int>(e[1])));
        AddEdgeToCollection(edgeObj);
        edgeObj->SetFlags(static_cast<int32_t>(e[2]));
    }
    for (int i = 0; ok && i < nf; ++i) {
        long x[4];
        ok = in.Ints(4, x) && valid(x[0], ne) && valid(x[1], ne);
        if (!ok) break;
        auto* f = new G3Facet();
        AddFacetToCollection(f);
        f->SetFirstEdge(edge(x[0]));
        f->SetLastEdge(edge(x[1]));
        f->SetFlags(static_cast<int32_t>(x[2]));
        f->SetSurface(static_cast<int32_t>(x[3]));
    }
    for (int i = 0; ok && i < ne; ++i) {
        long l[6];
        ok = in.Ints(6, l) && valid(l[0], nf) && valid(l[1], nf);
        for (int k = 2; ok && k < 6; ++k) ok = valid(l[k], ne);
        if (!ok) break;
        G3Edge* e = GetEdge(i);
        e->SetFacet1(facet(l[0]));
        e->SetFacet2(facet(l[1]));
        e->SetFacet1Edge(edge(l[2]));
        e->SetFacet2Edge(edge(l[3]));
        e->SetVertex1Edge(edge(l[4]));
        e->SetVertex2Edge(edge(l[5]));
    }
    for (int i = 0; ok && i < nv; ++i) {
        long l[2];
        ok = in.Ints(2, l) && valid(l[0], ne) && valid(l[1], ne);
        if (!ok) break;
        G3Vertex* v = GetVertex(i);
        v->SetFirstEdge(edge(l[0]));
        v->SetLastEdge(edge(l[1]));
    }
    std::fclose(file);
    ok = ok && LinksAreSound(*this);
    if (!ok) {
        // Unlink everything before deleting, so no destructor follows a broken link.
        for (int i = 0; i < GetEdgeCount(); ++i) {
            G3Edge* e = GetEdge(i);
            e->SetFacet1(nullptr);
            e->SetFacet2(nullptr);
        }
        for (int i = 0; i < GetFacetCount(); ++i) {
            GetFacet(i)->SetFirstEdge(nullptr);
            GetFacet(i)->SetLastEdge(nullptr);
        }
        for (int i = 0; i < GetVertexCount(); ++i) {
            GetVertex(i)->SetFirstEdge(nullptr);
            GetVertex(i)->SetLastEdge(nullptr);
        }
        for (GArrayCollection* list : {m_Facets, m_Edges, m_Vertices}) list->clear(true);
        return false;
    }
    ReallocByRealSize();
    m_NextSurface = static_cast<int>(header[3]);
    return true;
}

bool G3Surface::VRMLWriteBegin(const char* path, FILE** file) {
    if (file != nullptr) *file = nullptr;
    if (path == nullptr || file == nullptr) return false;
    FILE* f = std::fopen(path, "wt");
    if (f == nullptr) return false;
    if (std::fputs(
            "#VRML V2.0 utf8\nNavigationInfo {\nheadlight FALSE\ntype \"WALK\"\nspeed 1\n}\n", f) <
        0) {
        std::fclose(f);
        return false;
    }
    *file = f;
    return true;
}

bool G3Surface::VRMLWrite(FILE* file, G3Surface* s, const double* color) {
    if (file == nullptr || s == nullptr || color == nullptr) return false;
    CLocale c;
    bool ok =
        std::fprintf(
            file,
            "Shape {\nappearance Appearance {\nmaterial Material {\nambientIntensity 0\n"
            "diffuseColor %lf %lf %lf\nemissiveColor 0 0 0\nspecularColor 0 0 0\nshininess 0\n"
            "transparency 0\n}\n}\ngeometry IndexedFaceSet {\nconvex TRUE\nsolid FALSE\n"
            "creaseAngle 0\ncoord Coordinate {\npoint[\n",
            color[0], color[1], color[2]) >= 0;
    for (int i = 0; ok && i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        ok = std::fprintf(file, "%.4lf %.4lf %.4lf,\n", p[0], p[1], p[2]) >= 0;
    }
    ok = ok && std::fputs("]\n}\ncoordIndex [\n", file) >= 0;
    for (int i = 0; ok && i < s->GetFacetCount(); ++i) {
        for (G3FacetVertexIterator it(s->GetFacet(i)); ok && it.hasNext();) {
            ok = std::fprintf(file, "%d,", static_cast<G3Vertex*>(it.next())->GetId()) >= 0;
        }
        ok = ok && std::fputs("-1\n", file) >= 0;
    }
    ok = ok && std::fputs("]\n", file) >= 0;
    if (ok && s->GetNormalCount() > 0) {
        ok = std::fputs("normal Normal {\nvector [\n", file) >= 0;
        for (int i = 0; ok && i < s->GetNormalCount(); ++i) {
            const double* n = s->GetNormal(i)->GetXYZ();
            ok = std::fprintf(file, "%.6lf %.6lf %.6lf,\n", n[0], n[1], n[2]) >= 0;
        }
        ok = ok && std::fputs("]\n}\nnormalIndex [\n", file) >= 0;
        for (int i = 0; ok && i < s->GetFacetCount(); ++i) {
            const G3Facet* f = s->GetFacet(i);
            for (G3FacetVertexIterator it(f); ok && it.hasNext();) {
                const G3Normal* n = f->GetNormal(static_cast<G3Vertex*>(it.next()), nullptr);
                // A vertex without a normal of its own points at a valid one, never past the list.
                const int id = n != nullptr && n->GetId() >= 0 && n->GetId() < s->GetNormalCount()
                                   ? n->GetId()
                                   : 0;
                ok = std::fprintf(file, "%d,", id) >= 0;
            }
            ok = ok && std::fputs("-1\n", file) >= 0;
        }
        ok = ok && std::fputs("]\nnormalPerVertex TRUE\n", file) >= 0;
    }
    return ok && std::fputs("\n}\n}\n", file) >= 0;
}

bool G3Surface::VRMLWriteEnd(FILE* file) {
    return file != nullptr && std::fclose(file) == 0;
}
