#include "polykern/exdata/CExData.h"

#include <new>

#include "polykern/exdata/CDispatchExDataProvider.h"
#include "polykern/exdata/CExDataProvider.h"
#include "polykern/exdata/IGeometryExDataProvider.h"

namespace {

// A fresh table that the caller holds one reference to.
CExDataProvider* NewTable() {
    try {
        auto* table = new CExDataProvider();
        table->AddRef();
        return table;
    } catch (const std::bad_alloc&) {
        throw "not enough memory";
    }
}

}  // namespace

CExData::CExData(const CExData& other) {
    Attach(other.m_Table);
}

CExData& CExData::operator=(const CExData& other) {
    Attach(other.m_Table);
    return *this;
}

CExData& CExData::operator=(const CExDataProvider* table) {
    Attach(table);
    return *this;
}

CExData::~CExData() {
    Attach(nullptr);
}

void CExData::Attach(const CExDataProvider* table) {
    if (table == m_Table) return;
    if (table != nullptr) table->AddRef();  // first, in case the old table holds the last ref
    if (m_Table != nullptr) m_Table->Release();
    m_Table = const_cast<CExDataProvider*>(table);
}

CExData& CExData::Add(const char* key, void* value) {
    if (value == nullptr) return *this;
    IGeometryExDataProvider* provider =
        CDispatchExDataProvider::GetDispatchProvider().GetProvider(key);
    if (m_Table == nullptr) m_Table = NewTable();
    m_Table->Set(provider, value);
    return *this;
}

CExData& CExData::RemoveAll() {
    Attach(nullptr);
    return *this;
}

CExData& CExData::Remove(const char* key) {
    if (m_Table == nullptr) return *this;
    m_Table->Remove(CDispatchExDataProvider::GetDispatchProvider().GetProvider(key));
    return *this;
}

void* CExData::GetData(const char* key) {
    if (m_Table == nullptr) return nullptr;
    return m_Table->Get(CDispatchExDataProvider::GetDispatchProvider().GetProvider(key));
}

void CExData::NewIdsByPlaneDivide(CExData& out, const G3Surface* surface, const double* plane) {
    if (!SetNewIdsByPlaneDivide(out, surface, plane, false)) {
        SetNewIdsByPlaneDivide(out, surface, plane, true);
    }
}

// Walks the table asking each provider what a divided part receives. As long as nothing
// changes, the part can share this table; at the first change a table of its own is
// built. A change after the first entry means the entries before it were not copied:
// the caller then runs again with `fresh`, building from the start.
bool CExData::SetNewIdsByPlaneDivide(CExData& out,
                                     const G3Surface* surface,
                                     const double* plane,
                                     bool fresh) {
    CExData result;  // `out` may be this bag: build aside, assign at the end
    if (m_Table == nullptr) {
        out = result;
        return true;
    }
    bool building = fresh;
    bool changed = false;
    bool first = true;
    for (const auto& entry : m_Table->GetTable()) {
        void* v = entry.first->GetIdByPlaneDivide(entry.second, surface, plane);
        if (v != entry.second) changed = true;
        if (!building && v != entry.second) {
            if (!first) return false;
            building = true;
        }
        if (building && v != nullptr) {
            if (result.m_Table == nullptr) result.m_Table = NewTable();
            result.m_Table->Set(entry.first, v);
        }
        first = false;
    }
    if (!changed) {
        out = *this;
    } else {
        out = result;
    }
    return true;
}

bool CExData::MergeIds(const CExData& a, const CExData& b) {
    const CExData left(a), right(b);  // this bag may be a or b
    RemoveAll();
    if (left.m_Table == nullptr) {
        *this = right;
        return true;
    }
    if (right.m_Table == nullptr || left.m_Table == right.m_Table) {
        *this = left;
        return true;
    }
    return false;
}
