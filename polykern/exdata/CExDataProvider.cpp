#include "polykern/exdata/CExDataProvider.h"

#include <new>

CExDataProvider::~CExDataProvider() = default;

void CExDataProvider::AddRef() const {
    ++m_RefCount;
}

void CExDataProvider::Release() const {
    if (m_RefCount < 2) {
        delete this;
    } else {
        --m_RefCount;
    }
}

void CExDataProvider::Set(IGeometryExDataProvider* provider, void* value) {
    try {
        m_Table[provider] = value;
    } catch (const std::bad_alloc&) {
        throw "not enough memory";
    }
}

void* CExDataProvider::Get(IGeometryExDataProvider* provider) const {
    const auto it = m_Table.find(provider);
    return it != m_Table.end() ? it->second : nullptr;
}

void CExDataProvider::Remove(IGeometryExDataProvider* provider) {
    m_Table.erase(provider);
}
