#include "polykern/model/G3FacetLoops.h"

#include <utility>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

G3FacetLoops::G3FacetLoops(const G3Facet* f) {
    Read(f);
}

void G3FacetLoops::Read(const G3Facet* f) {
    m_Facet = f;
    m_Edges.clear();
    m_Vertices.clear();
    m_Ends.clear();
    m_LoopOf.clear();
    m_Closed = false;
    if (f == nullptr) return;
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) m_Edges.push_back(e);
    m_Closed = f->GetLoops(m_Vertices, m_Ends);
    if (!m_Closed) {
        m_Vertices.clear();
        for (G3FacetVertexIterator it(f); it.hasNext();)
            m_Vertices.push_back(static_cast<G3Vertex*>(it.next()));
        m_Ends.clear();
        if (!m_Vertices.empty()) m_Ends.push_back(GetCount());
    }
    m_LoopOf.reserve(m_Vertices.size());
    for (int loop = 0; loop < GetLoopCount(); ++loop) {
        for (int k = LoopBegin(loop); k < LoopEnd(loop); ++k) m_LoopOf.push_back(loop);
    }
}

int G3FacetLoops::Next(int k) const {
    const int loop = m_LoopOf[k];
    return k + 1 < LoopEnd(loop) ? k + 1 : LoopBegin(loop);
}

int G3FacetLoops::Previous(int k) const {
    const int loop = m_LoopOf[k];
    return k > LoopBegin(loop) ? k - 1 : LoopEnd(loop) - 1;
}

int G3FacetLoops::Find(const G3Edge* e) const {
    for (std::size_t k = 0; k < m_Edges.size() && k < m_Vertices.size(); ++k) {
        if (m_Edges[k]->IsVertexEquals(e)) return static_cast<int>(k);
    }
    return -1;
}

void G3FacetLoops::CopyEdge(int k, bool backwards, G3EdgeList* list) const {
    G3Edge* e = m_Edges[k];
    G3Vertex* from = m_Vertices[k];
    if (!e->HasVertex(from)) from = e->GetVertex1();
    G3Vertex* to = e->OtherVertex(from);
    G3Normal *n1, *n2;
    G3TexCoo *t1, *t2;
    e->GetNormals(m_Facet, &n1, &t1, &n2, &t2);
    if (from != e->GetVertex1()) {
        std::swap(n1, n2);
        std::swap(t1, t2);
    }
    if (backwards) {
        std::swap(from, to);
        std::swap(n1, n2);
        std::swap(t1, t2);
    }
    list->AddEdge(from, to, n1, n2, t1, t2, e->GetFlags());
}

void G3FacetLoops::CopyLoops(G3EdgeList* list) const {
    for (int k = 0; k < GetCount() && k < static_cast<int>(m_Edges.size()); ++k)
        CopyEdge(k, false, list);
}
