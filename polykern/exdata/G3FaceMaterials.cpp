#include "polykern/exdata/G3FaceMaterials.h"

#include <cstring>
#include <map>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Surface.h"

namespace {

bool IsFacet(G3Obj* obj) {
    return obj != nullptr && obj->GetObjectType() == 4;
}

bool InRange(int material) {
    return material >= 0 && material <= G3FaceMaterialProvider::kMaxMaterial;
}

}  // namespace

G3FaceMaterialProvider* G3FaceMaterialProvider::Instance() {
    // Never destroyed: facets of surfaces released at exit may still ask for it.
    static G3FaceMaterialProvider* provider = new G3FaceMaterialProvider();
    return provider;
}

G3FaceMaterialProvider* G3FaceMaterialProvider::Get() {
    G3FaceMaterialProvider* provider = Instance();
    if (G3Obj::GetProviderId(provider) < 0) G3Obj::AddProvider(provider);
    return provider;
}

// One record per material in use, each at a fixed address for the whole process (map
// nodes never move), so facets share them and a pointer compare is a material compare.
// Only the setters look here; the hooks copy pointers.
int* G3FaceMaterialProvider::Record(int material) {
    if (material <= 0 || material > kMaxMaterial) return nullptr;
    static auto* records = new std::map<int, int>();
    return &records->emplace(material, material).first->second;
}

int G3FaceMaterialProvider::MaterialOf(G3Obj* facet) {
    if (!IsFacet(facet)) return 0;
    return ValueOf(facet->GetOutExData(Instance()));
}

bool G3FaceMaterialProvider::SetMaterial(G3Obj* facet, int material) {
    if (!IsFacet(facet) || !InRange(material)) return false;
    G3FaceMaterialProvider* provider = Get();
    int* record = Record(material);
    // Taking a material from a facet that never had one leaves it without an entry.
    if (record != nullptr || facet->GetOutExData(provider) != nullptr)
        facet->SetOutExData(provider, record);
    return true;
}

bool G3FaceMaterialProvider::SetMaterial(G3Surface* s, int material) {
    if (s == nullptr || !InRange(material)) return false;
    for (int i = 0; i < s->GetFacetCount(); ++i) SetMaterial(s->GetFacet(i), material);
    return true;
}

long G3FaceMaterialProvider::Published(G3Obj* obj, const char* key) {
    if (key == nullptr || std::strcmp(key, "KTRX_G3FACE_MATERIAL_INDEX") != 0) return 0;
    return MaterialOf(obj);
}

bool G3FaceMaterialProvider::SetCurrent(int material) {
    if (!InRange(material)) return false;
    m_Current = Record(material);
    return true;
}

int G3FaceMaterialProvider::GetCurrent() const {
    return ValueOf(m_Current);
}

void G3FaceMaterialProvider::RemoveExData(void* /*data*/) {}

// Runs for every facet the kernel makes: with no source material and none current it
// returns before looking at the facet's data, and it never allocates a record.
void G3FaceMaterialProvider::OpenExData(void* obj) {
    if (m_Derived == nullptr && m_Current == nullptr) return;
    auto* entity = static_cast<G3Obj*>(obj);
    if (!IsFacet(entity)) return;
    if (m_Derived != nullptr) {
        entity->SetOutExData(this, m_Derived);
        return;
    }
    // A facet reopened (a Boolean opens every facet of its operands) keeps its own.
    if (entity->GetOutExData(this) != nullptr) return;
    entity->SetOutExData(this, m_Current);
}

void G3FaceMaterialProvider::SetExData(void* obj) {
    auto* entity = static_cast<G3Obj*>(obj);
    if (entity == nullptr) {
        m_Derived = nullptr;
        return;
    }
    if (!IsFacet(entity)) return;
    m_Derived = static_cast<int*>(entity->GetOutExData(this));
}

void G3FaceMaterialProvider::CopyExData(G3Obj* target, G3Obj* source) {
    if (!IsFacet(target) || !IsFacet(source) || target == source) return;
    void* record = source->GetOutExData(this);
    if (record != nullptr || target->GetOutExData(this) != nullptr)
        target->SetOutExData(this, record);
}

G3FaceMaterialScope::G3FaceMaterialScope(int material)
    : m_Saved(G3FaceMaterialProvider::Get()->GetCurrent()) {
    G3FaceMaterialProvider::Get()->SetCurrent(material);
}

G3FaceMaterialScope::~G3FaceMaterialScope() {
    G3FaceMaterialProvider::Get()->SetCurrent(m_Saved);
}

bool G3FaceMaterialScope::Set(int material) {
    return G3FaceMaterialProvider::Get()->SetCurrent(material);
}
