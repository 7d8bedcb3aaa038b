// The shell's transformations and its sweeps of unused entities.

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3Shell.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3TransformSnapshotProvider.h"
#include "polykern/model/G3Vertex.h"

// A provider attached before the preview is set aside and comes back when it closes.
void G3Shell::OpenTransformation(bool keepFacetPlanes, bool keepNormals) {
    if (m_Vertices == nullptr || m_InPreview) return;
    m_SavedProvider = m_ShellProvider;
    m_ShellProvider = new G3TransformSnapshotProvider(keepFacetPlanes, keepNormals);
    m_InPreview = true;
    OpenExData();
}

void G3Shell::Transformation(const double m[4][4]) {
    if (!m_InPreview) return;
    if (IsExDataVertex()) {
        for (int i = 0; i < GetVertexCount(); ++i) {
            G3Vertex* v = GetVertex(i);
            const G3TransformSnapshot* s = G3TransformSnapshotProvider::SnapshotOf(v->GetExData());
            if (s == nullptr) continue;
            const double* p = s->values;
            double q[3];
            for (int c = 0; c < 3; ++c)
                q[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
            v->Set(q);
        }
    }
    if (IsExDataFacet()) {
        for (int i = 0; i < GetFacetCount(); ++i) GetFacet(i)->FormPlaneEquation();
    }
    if (IsExDataNormal()) {
        for (int i = 0; i < GetNormalCount(); ++i) {
            G3Normal* n = GetNormal(i);
            const G3TransformSnapshot* s = G3TransformSnapshotProvider::SnapshotOf(n->GetExData());
            if (s == nullptr) continue;
            const double* p = s->values;
            double q[3];
            for (int c = 0; c < 3; ++c) q[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c];
            n->Set(q);
        }
    }
}

void G3Shell::CloseTransformation() {
    if (!m_InPreview) return;
    CloseExData();
    RemoveExDataProvider();
    m_ShellProvider = m_SavedProvider;
    m_SavedProvider = nullptr;
    m_InPreview = false;
}

void G3Shell::RealTransformation(const double m[4][4]) {
    for (int i = 0; i < GetVertexCount(); ++i) GetVertex(i)->RealTransformation(m);
    for (int i = 0; i < GetNormalCount(); ++i) GetNormal(i)->RealTransformation(m);
    for (int i = 0; i < GetPolyEdgeCount(); ++i) {
        TransformExDataPolyEdge(static_cast<G3PolyEdge*>(m_PolyEdges->get(i)), m);
    }
}

void G3Shell::TransformExDataPolyEdge(G3PolyEdge* p, const double m[4][4]) {
    ProviderTransformExData(p, m);
}

// Each sweep walks by index and stays on an index after a removal: the collection's last
// element has just moved into it.
void G3Shell::RemoveUnused() {
    RemoveUnusedEdge();
    RemoveUnusedVertex();
    RemoveUnusedFacet();
    RemoveUnusedNormal();
    RemoveUnusedTexCoo();
}

void G3Shell::RemoveUnusedEdge() {
    for (int i = 0; i < GetEdgeCount();) {
        G3Edge* e = GetEdge(i);
        if (e->GetFacetCount() == 0 && RemoveEdge(e)) continue;
        ++i;
    }
}

void G3Shell::RemoveUnusedVertex() {
    if (GetPolyEdgeCount() > 0) return;
    for (int i = 0; i < GetVertexCount();) {
        if (RemoveVertex(GetVertex(i))) continue;
        ++i;
    }
}

void G3Shell::RemoveUnusedFacet() {
    for (int i = 0; i < GetFacetCount();) {
        G3Facet* f = GetFacet(i);
        if (!f->HasEdges() && RemoveFacet(f)) continue;
        ++i;
    }
}

void G3Shell::SweepUnreferenced(GArrayCollection* list, bool normals) {
    if (list == nullptr || list->isEmpty()) return;
    ChangeFlags(list, G3OBJ_IN_USE, false);
    for (int i = 0; i < GetEdgeCount(); ++i) {
        const G3EdgeGeometry* g = GetEdge(i)->GetGeometry();
        if (g == nullptr) continue;
        for (int slot = 0; slot < 4; ++slot) {
            G3TexCoo* t = nullptr;
            G3Normal* n = g->Get(slot, &t);
            G3Obj* used = normals ? static_cast<G3Obj*>(n) : static_cast<G3Obj*>(t);
            if (used != nullptr) used->SetFlags(used->GetFlags() | G3OBJ_IN_USE);
        }
    }
    for (int i = 0; i < list->size();) {
        auto* o = static_cast<G3Obj*>(list->get(i));
        if ((o->GetFlags() & G3OBJ_IN_USE) != 0) {
            ++i;
        } else if (normals) {
            RemoveNormal(static_cast<G3Normal*>(o));
        } else {
            RemoveTexCoo(static_cast<G3TexCoo*>(o));
        }
    }
    ChangeFlags(list, G3OBJ_IN_USE, false);
}

void G3Shell::RemoveUnusedNormal() {
    SweepUnreferenced(m_Normals, true);
}

void G3Shell::RemoveUnusedTexCoo() {
    SweepUnreferenced(m_TexCoos, false);
}
