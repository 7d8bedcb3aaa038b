#include "polykern/foundation/GDynamicResourceProvider.h"

#include <cstdint>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHashtable.h"

namespace {

// Resources are told apart by identity: the address is the hash, and keys are ordered
// three-way (a difference of two addresses does not fit an int).
long HashOfKey(const GObj* key) {
    return static_cast<long>(reinterpret_cast<std::uintptr_t>(key));
}

int CompareKeys(const GObj* a, const GObj* b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

GDynamicResourceProvider::GDynamicResourceProvider(GDynamicResourceProvider* source)
    : m_Listeners(new GArrayCollection()),
      m_Table(new GHashtable(314, &HashOfKey, &CompareKeys, nullptr)),
      m_Source(source) {
    if (m_Source != nullptr) m_Source->AddListener(this);
}

GDynamicResourceProvider::~GDynamicResourceProvider() {
    if (m_Source != nullptr) m_Source->RemoveListener(this);
    // Listeners outliving their source forget it, so they do not call back into a dead one.
    for (int i = 0; i < m_Listeners->size(); ++i) {
        auto* listener = reinterpret_cast<GDynamicResourceProvider*>(m_Listeners->get(i));
        if (listener->m_Source == this) listener->m_Source = nullptr;
    }
    delete m_Table;
    delete m_Listeners;
}

// The listener list holds providers that are not GObjs; the collection only stores and
// compares the addresses.
void GDynamicResourceProvider::AddListener(GDynamicResourceProvider* listener) {
    if (listener != nullptr) m_Listeners->add(reinterpret_cast<GObj*>(listener));
}

void GDynamicResourceProvider::RemoveListener(GDynamicResourceProvider* listener) {
    const int i = m_Listeners->index(reinterpret_cast<GObj*>(listener));
    if (i >= 0) m_Listeners->remove(i);
}

void GDynamicResourceProvider::AddResource(GObj* resource) {
    GObj* data = MakeResourceData(resource);
    GObj* old = m_Table->Put(resource, data);
    if (old != nullptr && old != data) {
        for (int i = m_Listeners->size() - 1; i >= 0; --i)
            reinterpret_cast<GDynamicResourceProvider*>(m_Listeners->get(i))->RemoveResource(old);
        FreeResourceData(old);
    }
    for (int i = m_Listeners->size() - 1; i >= 0; --i)
        reinterpret_cast<GDynamicResourceProvider*>(m_Listeners->get(i))->AddResource(data);
}

void GDynamicResourceProvider::RemoveResource(GObj* resource) {
    GObj* data = m_Table->Remove(resource);
    for (int i = m_Listeners->size() - 1; i >= 0; --i)
        reinterpret_cast<GDynamicResourceProvider*>(m_Listeners->get(i))->RemoveResource(data);
    FreeResourceData(data);
}

void GDynamicResourceProvider::SetResourceData(GObj* resource, GObj* data) {
    GObj* old = m_Table->Put(resource, data);
    if (old == nullptr || old == data) return;
    for (int i = m_Listeners->size() - 1; i >= 0; --i) {
        auto* listener = reinterpret_cast<GDynamicResourceProvider*>(m_Listeners->get(i));
        listener->RemoveResource(old);
        listener->AddResource(data);
    }
    FreeResourceData(old);
}

void GDynamicResourceProvider::Clear() {
    // The keys are read out first: removing reshapes the buckets being walked.
    std::vector<GObj*> keys;
    keys.reserve(static_cast<std::size_t>(m_Table->GetSize()));
    GHashtableEntry** buckets = m_Table->GetHashEntryTable();
    for (int b = 0; b < m_Table->GetTableSize(); ++b) {
        for (GHashtableEntry* e = buckets[b]; e != nullptr; e = e->next) keys.push_back(e->key);
    }
    for (GObj* key : keys) RemoveResource(key);
    m_Table->Clear();
}

void GDynamicResourceProvider::GetResource(GArrayCollection* resources, GArrayCollection* data) {
    GHashtableEntry** buckets = m_Table->GetHashEntryTable();
    for (int b = 0; b < m_Table->GetTableSize(); ++b) {
        for (GHashtableEntry* e = buckets[b]; e != nullptr; e = e->next) {
            if (resources != nullptr) resources->add(e->key);
            if (data != nullptr) data->add(e->value);
        }
    }
}

void GDynamicResourceProvider::GetResource(GArrayCollection* data) {
    GetResource(nullptr, data);
}

GObj* GDynamicResourceProvider::GetResourceData(GObj* resource) {
    return m_Table->Get(resource);
}

bool GDynamicResourceProvider::IsEmpty() const {
    return m_Table->IsEmpty();
}

int GDynamicResourceProvider::GetResourceCount() const {
    return m_Table->GetSize();
}

int GDynamicResourceProvider::GetListenerCount() const {
    return m_Listeners->size();
}
