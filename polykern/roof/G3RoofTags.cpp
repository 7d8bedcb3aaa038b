#include "polykern/roof/G3RoofTags.h"

#include <cstring>
#include <new>

#include "polykern/model/G3Obj.h"

namespace {

bool IsFacet(G3Obj* obj) {
    return obj != nullptr && obj->GetObjectType() == 4;
}

}  // namespace

G3RoofTagProvider* G3RoofTagProvider::Get() {
    // Never destroyed: facets of surfaces released at exit may still ask for it.
    static G3RoofTagProvider* provider = new G3RoofTagProvider();
    if (G3Obj::GetProviderId(provider) < 0) G3Obj::AddProvider(provider);
    return provider;
}

G3RoofTag G3RoofTagProvider::TagOf(G3Obj* obj) {
    if (!IsFacet(obj)) return {};
    const auto* tag = static_cast<const G3RoofTag*>(obj->GetOutExData(Get()));
    return tag != nullptr ? *tag : G3RoofTag{};
}

long G3RoofTagProvider::Published(G3Obj* obj, const char* key) {
    if (key == nullptr) return 0;
    const G3RoofTag tag = TagOf(obj);
    if (std::strcmp(key, "KTRX_ROOF_SECT_ID") == 0) return tag.section;
    if (std::strcmp(key, "KTRX_ROOF_PLANE_INDEX") == 0) return tag.type;
    return 0;
}

void G3RoofTagProvider::SetCurrent(int section, ROOF_FACET_TYPE type) {
    m_Current = G3RoofTag{section, section != 0 ? type : ROOF_FACET_NONE};
}

void G3RoofTagProvider::RemoveExData(void* data) {
    delete static_cast<G3RoofTag*>(data);
}

void G3RoofTagProvider::OpenExData(void* obj) {
    auto* entity = static_cast<G3Obj*>(obj);
    if (!IsFacet(entity)) return;
    const G3RoofTag& tag = m_HasDerived ? m_Derived : m_Current;
    auto* record = static_cast<G3RoofTag*>(entity->GetOutExData(this));
    if (tag.section == 0) {
        // A facet reopened while nothing is current keeps what it has.
        return;
    }
    if (record != nullptr) {
        *record = tag;
        return;
    }
    record = new (std::nothrow) G3RoofTag(tag);
    if (record != nullptr) entity->SetOutExData(this, record);
}

void G3RoofTagProvider::SetExData(void* obj) {
    auto* entity = static_cast<G3Obj*>(obj);
    if (entity == nullptr) {
        m_HasDerived = false;
        m_Derived = {};
        return;
    }
    if (!IsFacet(entity)) return;
    m_Derived = TagOf(entity);
    m_HasDerived = true;
}

void G3RoofTagProvider::CopyExData(G3Obj* target, G3Obj* source) {
    if (!IsFacet(target) || !IsFacet(source) || target == source) return;
    const G3RoofTag tag = TagOf(source);
    auto* record = static_cast<G3RoofTag*>(target->GetOutExData(this));
    if (record != nullptr) {
        *record = tag;
        return;
    }
    if (tag.section == 0) return;
    record = new (std::nothrow) G3RoofTag(tag);
    if (record != nullptr) target->SetOutExData(this, record);
}

G3RoofTagScope::G3RoofTagScope(int section, ROOF_FACET_TYPE type)
    : m_Saved(G3RoofTagProvider::Get()->GetCurrent()) {
    G3RoofTagProvider::Get()->SetCurrent(section, type);
}

G3RoofTagScope::~G3RoofTagScope() {
    G3RoofTagProvider::Get()->SetCurrent(m_Saved.section, m_Saved.type);
}

void G3RoofTagScope::Set(int section, ROOF_FACET_TYPE type) {
    G3RoofTagProvider::Get()->SetCurrent(section, type);
}
