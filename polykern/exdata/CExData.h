#pragma once

#include "polykern/PolykernExport.h"

class CExDataProvider;
class G3Surface;

/// A keyed bag of opaque values attached to an entity. Each key is served by the provider
/// the registry holds for it. Copies share one table: a value added through one copy is
/// seen through all. Key operations throw "incorret key" for a null or empty key.
class POLYKERN_API CExData {
public:
    CExData() = default;
    CExData(const CExData& other);
    CExData& operator=(const CExData& other);
    /// Refers to `table` (null empties the bag).
    CExData& operator=(const CExDataProvider* table);
    virtual ~CExData();

    /// Stores `value` under `key`, replacing an earlier value; a null value changes nothing.
    virtual CExData& Add(const char* key, void* value);
    /// Lets go of this bag's table: the bag is empty, other bags sharing the table keep it.
    virtual CExData& RemoveAll();
    /// Drops the entry of `key` from the (shared) table; the value is not released.
    virtual CExData& Remove(const char* key);
    /// The value under `key`, or null.
    virtual void* GetData(const char* key);
    /// out := the bag a part of a facet divided by `plane` receives. Shares this bag's
    /// table when no provider changes a value.
    virtual void NewIdsByPlaneDivide(CExData& out, const G3Surface* surface, const double* plane);
    /// This := the bag of a facet merged from facets carrying `a` and `b`, when one of them
    /// is empty or both share a table. Otherwise false with this bag empty: the caller then
    /// decides per key.
    virtual bool MergeIds(const CExData& a, const CExData& b);

    bool IsEmpty() const { return m_Table == nullptr; }
    const CExDataProvider* GetTable() const { return m_Table; }

protected:
    bool SetNewIdsByPlaneDivide(CExData& out,
                                const G3Surface* surface,
                                const double* plane,
                                bool fresh);

private:
    void Attach(const CExDataProvider* table);

    CExDataProvider* m_Table = nullptr;
};
