#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "polykern/PolykernExport.h"

class IGeometryExDataProvider;

/// The value table behind one or more `CExData` bags: provider of a key → value. Counted
/// by its bags; the last Release deletes it. Values are never inspected or released here.
class POLYKERN_API CExDataProvider {
public:
    using Table = std::map<IGeometryExDataProvider*, void*, std::less<IGeometryExDataProvider*>>;

    CExDataProvider() = default;
    CExDataProvider(const CExDataProvider&) = delete;
    CExDataProvider& operator=(const CExDataProvider&) = delete;

    /// Count + 1.
    virtual void AddRef() const;
    /// Deletes the table when its count is below 2, otherwise count − 1.
    virtual void Release() const;
    int32_t RefCount() const { return m_RefCount; }

    /// Stores `value` under `provider`, replacing an earlier value.
    void Set(IGeometryExDataProvider* provider, void* value);
    /// The value under `provider`, or null.
    void* Get(IGeometryExDataProvider* provider) const;
    /// Drops the entry of `provider`; the value is not released.
    void Remove(IGeometryExDataProvider* provider);
    const Table& GetTable() const { return m_Table; }

protected:
    virtual ~CExDataProvider();

private:
    Table m_Table;
    mutable int32_t m_RefCount = 0;
};
