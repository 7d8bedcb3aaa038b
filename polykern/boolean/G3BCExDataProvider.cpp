#include "polykern/boolean/G3BCExDataProvider.h"

#include <typeinfo>

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

namespace {

// The records are final classes, so an exact type match is what a dynamic cast would
// find, at the price of one type comparison instead of a walk of the class graph.
template <class Record>
Record* RecordIn(GObj* data) {
    if (data == nullptr || typeid(*data) != typeid(Record)) return nullptr;
    return static_cast<Record*>(data);
}

}  // namespace

G3BCVertexData* G3BCExDataProvider::DataOf(const G3Vertex* v) {
    return v != nullptr ? RecordIn<G3BCVertexData>(v->GetExData()) : nullptr;
}

G3BCFacetData* G3BCExDataProvider::DataOf(const G3Facet* f) {
    return f != nullptr ? RecordIn<G3BCFacetData>(f->GetExData()) : nullptr;
}
