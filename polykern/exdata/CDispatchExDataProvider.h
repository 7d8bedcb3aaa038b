#pragma once

#include <map>
#include <string>

#include "polykern/PolykernExport.h"

class IGeometryExDataProvider;

/// The process-wide registry from extended-data key strings (exact, case-sensitive) to
/// the providers that serve them. Owns its providers. Key operations throw the string
/// "incorret key" for a null or empty key, and "not enough memory" when the map cannot
/// grow. Not copyable.
class POLYKERN_API CDispatchExDataProvider {
public:
    CDispatchExDataProvider() = default;
    virtual ~CDispatchExDataProvider();
    CDispatchExDataProvider(const CDispatchExDataProvider&) = delete;
    CDispatchExDataProvider& operator=(const CDispatchExDataProvider&) = delete;

    /// Registers `provider` for `key`, taking ownership; null stands for a new standard
    /// provider. The provider it replaces is deleted unless it still serves another key.
    virtual void SetProvider(const char* key, IGeometryExDataProvider* provider);
    /// The provider slot of `key`; a new key gets a standard provider first.
    virtual IGeometryExDataProvider*& ProviderSlot(const char* key);
    /// The provider of `key`; an unknown key is registered with a standard provider.
    virtual IGeometryExDataProvider* GetProvider(const char* key);
    /// True when `key` has a provider; never registers.
    bool IsRegistered(const char* key) const;
    int GetKeyCount() const { return static_cast<int>(m_Providers.size()); }

    /// The registry; made on first use with "KTRX_ROOF_SECT_ID", "KTRX_ROOF_PLANE_INDEX" and
    /// "KTRX_G3FACE_MATERIAL_INDEX" registered, destroyed when the library unloads.
    static CDispatchExDataProvider& GetDispatchProvider();

private:
    bool IsShared(const IGeometryExDataProvider* provider, const std::string& exceptKey) const;

    std::map<std::string, IGeometryExDataProvider*> m_Providers;
};
