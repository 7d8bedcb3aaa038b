#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// A class that lives in another library: the library is loaded by file name, its exported
/// factory "NewInstance" makes the one object the caller uses it through, and the object
/// remembers the library so that Unload can free it again. Not copyable: a copy would
/// share the library handle and the name it owns.
class POLYKERN_API GDynamicClass : public GObj {
public:
    /// No library, no name, reference count 0.
    GDynamicClass();
    /// Frees the name copy; the library is left to Unload.
    ~GDynamicClass() override;
    GDynamicClass(const GDynamicClass&) = delete;
    GDynamicClass& operator=(const GDynamicClass&) = delete;

    /// "GDynamicClass".
    virtual const char* ___GetClassName();
    /// 0.
    virtual int GetType();
    /// An empty string.
    virtual const char* GetName();
    /// 1: Unload may free the library the object came from.
    virtual int MayBeUnload();

    /// Loads the library `dllName` (passed to the loader as given), calls its exported
    /// "NewInstance" and hands the object it returns to *out: 1 then. 0, with *out null and
    /// the library not left loaded, for a null or empty name or a null `out`, a library
    /// that does not load, one without the factory, or a factory that returns null.
    static int Load(GDynamicClass** out, const char* dllName);
    /// Deletes *p through its virtual destructor, then frees its library when it has one
    /// and MayBeUnload() said so beforehand; *p := null. Null p or *p does nothing.
    static void Unload(GDynamicClass** p);
    /// 1 when a file exists at `path`, else 0 (also for null).
    static int TestExists(const char* path);

    /// Count + 1; the new count.
    int AddRef() { return ++m_RefCount; }
    /// Count − 1; never deletes. The new count.
    int Release() { return --m_RefCount; }
    int RefCount() const { return m_RefCount; }

    /// The library file name the object was loaded from; null when none.
    const char* GetDllName() const { return m_DllName; }
    /// The library handle; null when the object did not come from a library.
    void* GetLibrary() const { return m_Library; }
    /// Whether the object came from a library.
    bool IsLoaded() const { return m_Library != nullptr; }

protected:
    /// Replaces the name by a copy of `name` (null clears it). False when out of memory.
    bool SetDllName(const char* name);

private:
    void* m_Library = nullptr;
    char* m_DllName = nullptr;
    int32_t m_RefCount = 0;
};
