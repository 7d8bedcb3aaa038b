#include "polykern/model/G3Obj.h"

#include <vector>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"

namespace {

// Made on first use and never destroyed: entities released during exit may still ask.
GArrayCollection& Providers() {
    static GArrayCollection* list = new GArrayCollection(16, 16);
    return *list;
}

}  // namespace

G3Obj::G3Obj(const G3Obj& other)
    : GObj(other),
      m_Id(other.m_Id),
      m_Flags(other.m_Flags),
      m_Locked(other.m_Locked),
      m_ExData(other.m_ExData) {}

G3Obj& G3Obj::operator=(const G3Obj& other) {
    if (this == &other) return *this;
    GObj::operator=(other);
    m_Id = other.m_Id;
    m_Flags = other.m_Flags;
    m_ExData = other.m_ExData;
    m_Locked = other.m_Locked;
    return *this;
}

G3Obj::~G3Obj() {
    RemoveExData();
    delete m_OutExData;
}

void G3Obj::Copy(GObj* from) {
    GObj::Copy(from);
    auto* source = dynamic_cast<G3Obj*>(from);
    if (source == nullptr || source == this) return;
    m_Id = source->m_Id;
    m_Flags = source->m_Flags;
    m_ExData = source->m_ExData;
}

void G3Obj::AddProvider(G3ExDataProvider* provider) {
    Providers().add(provider);
}

G3ExDataProvider* G3Obj::GetProvider(int32_t index) {
    GArrayCollection& list = Providers();
    if (index < 0 || index >= list.size()) return nullptr;
    return static_cast<G3ExDataProvider*>(list.get(index));
}

int32_t G3Obj::GetProviderId(G3ExDataProvider* provider) {
    GArrayCollection& list = Providers();
    for (int i = 0; i < list.size(); ++i) {
        if (list.get(i) == provider) return i;
    }
    return -1;
}

GArrayCollection* G3Obj::GetProviderList() {
    return &Providers();
}

bool G3Obj::RemoveExDataProvider(G3ExDataProvider* provider) {
    const int32_t index = GetProviderId(provider);
    if (index < 0) return false;
    Providers().remove(index);
    return true;
}

// The provider list is walked by index and its size read afresh at each step, so a
// provider that registers or removes providers from a callback cannot run past the end.
void G3Obj::ProviderOpenExData(G3Obj* target) {
    if (m_Locked) return;
    GArrayCollection& list = Providers();
    for (int i = 0; i < list.size(); ++i)
        static_cast<G3ExDataProvider*>(list.get(i))->OpenExData(target);
}

void G3Obj::ProviderSetExData(G3Obj* target) {
    GArrayCollection& list = Providers();
    for (int i = 0; i < list.size(); ++i)
        static_cast<G3ExDataProvider*>(list.get(i))->SetExData(target);
}

void G3Obj::ProviderTransformExData(G3Obj* target, const double m[4][4]) {
    GArrayCollection& list = Providers();
    for (int i = 0; i < list.size(); ++i) {
        static_cast<G3ExDataProvider*>(list.get(i))->TransformExData(target, m);
    }
}

void G3Obj::CopyExData(G3Obj* source) {
    if (source == nullptr || source->m_OutExData == nullptr) return;
    // A provider may store on this entity while we walk: take the keys first, since this
    // entity may be the source itself.
    std::vector<G3ExDataProvider*> providers;
    providers.reserve(source->m_OutExData->size());
    for (const auto& entry : *source->m_OutExData) providers.push_back(entry.first);
    for (G3ExDataProvider* p : providers) p->CopyExData(this, source);
}

void G3Obj::SetOutExData(G3ExDataProvider* provider, void* value) {
    if (m_OutExData == nullptr) m_OutExData = new OutExDataMap();
    (*m_OutExData)[provider] = value;
}

void* G3Obj::GetOutExData(G3ExDataProvider* provider) const {
    if (m_OutExData == nullptr) return nullptr;
    const auto it = m_OutExData->find(provider);
    return it != m_OutExData->end() ? it->second : nullptr;
}

void G3Obj::RemoveExData(G3ExDataProvider* provider) {
    if (m_OutExData == nullptr) return;
    const auto it = m_OutExData->find(provider);
    if (it == m_OutExData->end() || it->second == nullptr) return;
    void* value = it->second;
    it->second = nullptr;  // cleared first: the provider may look at the entity
    provider->RemoveExData(value);
}

void G3Obj::RemoveExData() {
    if (m_OutExData == nullptr) return;
    for (auto& entry : *m_OutExData) {
        if (entry.second == nullptr) continue;
        void* value = entry.second;
        entry.second = nullptr;
        entry.first->RemoveExData(value);
    }
}
