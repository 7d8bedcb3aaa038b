#include "polykern/exdata/CDispatchExDataProvider.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "polykern/exdata/CStandardExDataProvider.h"

namespace {

const std::string& CheckedKey(const char* key, std::string& storage) {
    if (key == nullptr || key[0] == '\0') throw "incorret key";
    try {
        storage = key;
    } catch (const std::bad_alloc&) {
        throw "not enough memory";
    }
    return storage;
}

}  // namespace

CDispatchExDataProvider::~CDispatchExDataProvider() {
    // One provider may serve several keys: delete each once.
    std::vector<IGeometryExDataProvider*> owned;
    for (auto& entry : m_Providers) owned.push_back(entry.second);
    std::sort(owned.begin(), owned.end(), std::less<IGeometryExDataProvider*>());
    owned.erase(std::unique(owned.begin(), owned.end()), owned.end());
    for (IGeometryExDataProvider* p : owned) delete p;
}

bool CDispatchExDataProvider::IsShared(const IGeometryExDataProvider* provider,
                                       const std::string& exceptKey) const {
    for (const auto& entry : m_Providers) {
        if (entry.second == provider && entry.first != exceptKey) return true;
    }
    return false;
}

void CDispatchExDataProvider::SetProvider(const char* key, IGeometryExDataProvider* provider) {
    std::string name;
    CheckedKey(key, name);
    try {
        // Held until the map has a place for it, so a failed insertion leaks nothing.
        std::unique_ptr<IGeometryExDataProvider> standard;
        if (provider == nullptr) {
            standard = std::make_unique<CStandardExDataProvider>();
            provider = standard.get();
        }
        IGeometryExDataProvider*& slot = m_Providers[name];
        standard.release();
        IGeometryExDataProvider* old = slot;
        slot = provider;
        if (old != nullptr && old != provider && !IsShared(old, name)) delete old;
    } catch (const std::bad_alloc&) {
        throw "not enough memory";
    }
}

IGeometryExDataProvider*& CDispatchExDataProvider::ProviderSlot(const char* key) {
    std::string name;
    CheckedKey(key, name);
    try {
        IGeometryExDataProvider*& slot = m_Providers[name];
        if (slot == nullptr) slot = new CStandardExDataProvider();
        return slot;
    } catch (const std::bad_alloc&) {
        throw "not enough memory";
    }
}

IGeometryExDataProvider* CDispatchExDataProvider::GetProvider(const char* key) {
    return ProviderSlot(key);
}

bool CDispatchExDataProvider::IsRegistered(const char* key) const {
    return key != nullptr && m_Providers.count(key) != 0;
}

CDispatchExDataProvider& CDispatchExDataProvider::GetDispatchProvider() {
    static CDispatchExDataProvider registry;
    static const bool registered = [] {
        registry.SetProvider("KTRX_ROOF_SECT_ID", nullptr);
        registry.SetProvider("KTRX_ROOF_PLANE_INDEX", nullptr);
        registry.SetProvider("KTRX_G3FACE_MATERIAL_INDEX", nullptr);
        return true;
    }();
    (void)registered;
    return registry;
}
