#include "polykern/foundation/GDynamicClass.h"

#include <cstring>
#include <new>

#include "polykern/foundation/GPlatform.h"

namespace {

using Factory = GDynamicClass* (*)();

char* CopyOf(const char* text) {
    if (text == nullptr) return nullptr;
    const std::size_t n = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[n];
    if (copy != nullptr) std::memcpy(copy, text, n);
    return copy;
}

}  // namespace

GDynamicClass::GDynamicClass() = default;

GDynamicClass::~GDynamicClass() {
    delete[] m_DllName;
}

const char* GDynamicClass::___GetClassName() {
    return "GDynamicClass";
}

int GDynamicClass::GetType() {
    return 0;
}

const char* GDynamicClass::GetName() {
    return "";
}

int GDynamicClass::MayBeUnload() {
    return 1;
}

bool GDynamicClass::SetDllName(const char* name) {
    char* copy = CopyOf(name);
    if (name != nullptr && copy == nullptr) return false;
    delete[] m_DllName;
    m_DllName = copy;
    return true;
}

int GDynamicClass::Load(GDynamicClass** out, const char* dllName) {
    if (out == nullptr) return 0;
    *out = nullptr;
    if (dllName == nullptr || dllName[0] == '\0') return 0;
    void* library = GPlatform::OpenLibrary(dllName);
    if (library == nullptr) return 0;
    auto factory = reinterpret_cast<Factory>(GPlatform::FindSymbol(library, "NewInstance"));
    GDynamicClass* object = factory != nullptr ? factory() : nullptr;
    if (object == nullptr) {
        GPlatform::CloseLibrary(library);
        return 0;
    }
    if (!object->SetDllName(dllName)) {
        // Deleted while its code is still mapped, then the library goes as after any failure.
        delete object;
        GPlatform::CloseLibrary(library);
        return 0;
    }
    object->m_Library = library;
    *out = object;
    return 1;
}

void GDynamicClass::Unload(GDynamicClass** p) {
    if (p == nullptr || *p == nullptr) return;
    GDynamicClass* object = *p;
    *p = nullptr;
    void* library = object->m_Library;
    const int mayUnload = object->MayBeUnload();
    // The destructor's code lives in the library: it runs before the library goes.
    delete object;
    if (library != nullptr && mayUnload != 0) GPlatform::CloseLibrary(library);
}

int GDynamicClass::TestExists(const char* path) {
    return GPlatform::FileExists(path) ? 1 : 0;
}
