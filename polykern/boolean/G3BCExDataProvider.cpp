#include "polykern/boolean/G3BCExDataProvider.h"

#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCVertexData.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

G3BCExDataProvider::~G3BCExDataProvider() = default;

void G3BCExDataProvider::OpenExDataVertex(G3Vertex* v) {
    v->SetExData(new (&m_Arena) G3BCVertexData());
}

void G3BCExDataProvider::CloseExDataVertex(G3Vertex* v) {
    if (DataOf(v) != nullptr) v->SetExData(nullptr);
}

void G3BCExDataProvider::OpenExDataFacet(G3Facet* f) {
    auto* data = new (&m_Arena) G3BCFacetData();
    f->FormEnvelope(data);
    data->Extend(1e-5);
    f->SetExData(data);
}

void G3BCExDataProvider::CloseExDataFacet(G3Facet* f) {
    G3BCFacetData* data = DataOf(f);
    if (data == nullptr) return;
    delete data->intersections;  // arena records never run their destructors
    data->intersections = nullptr;
    f->SetExData(nullptr);
}

G3BCVertexData* G3BCExDataProvider::DataOf(const G3Vertex* v) {
    return v != nullptr ? dynamic_cast<G3BCVertexData*>(v->GetExData()) : nullptr;
}

G3BCFacetData* G3BCExDataProvider::DataOf(const G3Facet* f) {
    return f != nullptr ? dynamic_cast<G3BCFacetData*>(f->GetExData()) : nullptr;
}
