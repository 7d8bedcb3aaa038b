#include "polykern/model/G3TransformSnapshotProvider.h"

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Vertex.h"

G3TransformSnapshot* G3TransformSnapshotProvider::Save(const double* values,
                                                       int n,
                                                       GObj* previousLink) {
    auto* s = new (&m_Arena) G3TransformSnapshot();
    for (int k = 0; k < n; ++k) s->values[k] = values[k];
    s->previousLink = previousLink;
    return s;
}

const G3TransformSnapshot* G3TransformSnapshotProvider::SnapshotOf(const GObj* link) {
    return dynamic_cast<const G3TransformSnapshot*>(link);
}

void G3TransformSnapshotProvider::OpenExDataVertex(G3Vertex* v) {
    v->SetExData(Save(v->GetXYZ(), 3, v->GetExData()));
}

void G3TransformSnapshotProvider::OpenExDataNormal(G3Normal* n) {
    n->SetExData(Save(n->GetXYZ(), 3, n->GetExData()));
}

void G3TransformSnapshotProvider::OpenExDataFacet(G3Facet* f) {
    f->SetExData(Save(f->GetPlane(), 4, f->GetExData()));
}

// Closing restores what the preview changed, coordinates and links, and nothing else:
// topology and identifiers stay as they are now.
void G3TransformSnapshotProvider::CloseExDataVertex(G3Vertex* v) {
    const G3TransformSnapshot* s = SnapshotOf(v->GetExData());
    if (s == nullptr) return;
    v->Set(s->values);
    v->SetExData(s->previousLink);
}

void G3TransformSnapshotProvider::CloseExDataNormal(G3Normal* n) {
    const G3TransformSnapshot* s = SnapshotOf(n->GetExData());
    if (s == nullptr) return;
    n->Set(s->values);
    n->SetExData(s->previousLink);
}

void G3TransformSnapshotProvider::CloseExDataFacet(G3Facet* f) {
    const G3TransformSnapshot* s = SnapshotOf(f->GetExData());
    if (s == nullptr) return;
    f->SetPlane(s->values);
    f->SetExData(s->previousLink);
}
