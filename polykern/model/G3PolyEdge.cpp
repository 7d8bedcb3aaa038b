#include "polykern/model/G3PolyEdge.h"

#include <cstring>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/model/G3Point.h"

PK_DEFINE_POOL(G3PolyEdge, 8192)

namespace {

struct PolyEdgeRecord {
    double points[4][3];
    double matrix[4][4];
    void* graphic;
};

// Keeps the records of poly-edges as outside data: releases them with their poly-edge and
// copies them with it.
class PolyEdgeDataProvider : public G3ExDataProvider {
public:
    void RemoveExData(void* data) override { delete static_cast<PolyEdgeRecord*>(data); }
    void CopyExData(G3Obj* target, G3Obj* source) override {
        const auto* record = static_cast<const PolyEdgeRecord*>(source->GetOutExData(this));
        if (target == source || record == nullptr) return;
        target->RemoveExData(this);
        target->SetOutExData(this, new PolyEdgeRecord(*record));
    }
};

// Registered with the entities on first need, and never destroyed: records released at
// exit still reach it.
PolyEdgeDataProvider* Provider() {
    static PolyEdgeDataProvider* provider = new PolyEdgeDataProvider();
    if (G3Obj::GetProviderId(provider) < 0) G3Obj::AddProvider(provider);
    return provider;
}

}  // namespace

void G3PolyEdge::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* source = dynamic_cast<G3PolyEdge*>(from);
    if (source == nullptr || source == this) return;
    m_Count = source->m_Count;
    m_Start = source->m_Start;
}

G3PolyEdge* G3PolyEdge::Duplicate() {
    auto* copy = new G3PolyEdge();
    copy->Copy(this);
    return copy;
}

void G3PolyEdge::SetClosed(bool closed) {
    if (closed) {
        SetFlags(GetFlags() | G3POLYEDGE_CLOSED);
    } else {
        ClearFlags(G3POLYEDGE_CLOSED);
    }
}

void G3PolyEdge::GetEdge(G3Vertex** array, int k, G3Vertex** a, G3Vertex** b) const {
    if (m_Count <= 0) {
        *a = *b = nullptr;
        return;
    }
    *a = array[m_Start + k];
    *b = array[m_Start + (k + 1) % m_Count];
}

void G3PolyEdge::SetExtEdgeData(G3Surface* /*s*/,
                                const G3Point& p1,
                                const G3Point& p2,
                                const G3Point& p3,
                                const G3Point& p4,
                                const double m[4][4]) {
    PolyEdgeDataProvider* provider = Provider();
    auto* record = static_cast<PolyEdgeRecord*>(GetOutExData(provider));
    if (record == nullptr) {
        record = new PolyEdgeRecord();
        SetOutExData(provider, record);
    }
    const G3Point* points[4] = {&p1, &p2, &p3, &p4};
    for (int k = 0; k < 4; ++k)
        std::memcpy(record->points[k], points[k]->GetXYZ(), sizeof(double) * 3);
    std::memcpy(record->matrix, m, sizeof(record->matrix));
}

bool G3PolyEdge::GetExtEdgeData(
    G3Point* p1, G3Point* p2, G3Point* p3, G3Point* p4, double m[4][4]) const {
    const auto* record = static_cast<const PolyEdgeRecord*>(GetOutExData(Provider()));
    if (record == nullptr) return false;
    G3Point* points[4] = {p1, p2, p3, p4};
    for (int k = 0; k < 4; ++k) {
        if (points[k] != nullptr) points[k]->Set(record->points[k]);
    }
    if (m != nullptr) std::memcpy(m, record->matrix, sizeof(record->matrix));
    return true;
}

void* G3PolyEdge::GetGraphic() const {
    const auto* record = static_cast<const PolyEdgeRecord*>(GetOutExData(Provider()));
    return record != nullptr ? record->graphic : nullptr;
}

bool G3PolyEdge::SetGraphic(void* graphic) {
    auto* record = static_cast<PolyEdgeRecord*>(GetOutExData(Provider()));
    if (record == nullptr) return false;
    record->graphic = graphic;
    return true;
}
