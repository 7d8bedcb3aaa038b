#include "polykern/foundation/GDummyDynamicClass.h"

#include <cstring>
#include <new>

GDummyDynamicClass::GDummyDynamicClass(const char* name, const char* dllName, int type)
    : m_Type(type) {
    if (name != nullptr) {
        const std::size_t n = std::strlen(name) + 1;
        m_Name = new (std::nothrow) char[n];
        if (m_Name != nullptr) std::memcpy(m_Name, name, n);
    }
    SetDllName(dllName);
}

GDummyDynamicClass::~GDummyDynamicClass() {
    delete[] m_Name;
}

const char* GDummyDynamicClass::___GetClassName() {
    return "GDummyDynamicClass";
}

int GDummyDynamicClass::GetType() {
    return m_Type;
}

const char* GDummyDynamicClass::GetName() {
    return m_Name != nullptr ? m_Name : "";
}
