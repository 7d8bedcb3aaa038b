#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GDynamicClass.h"

/// Stands for a dynamic class without a library: a name, a library name and a type,
/// each answered as given. Owns copies of both strings; not copyable.
class POLYKERN_API GDummyDynamicClass : public GDynamicClass {
public:
    /// Copies both strings (either may be null); no library handle.
    GDummyDynamicClass(const char* name, const char* dllName, int type);
    /// Frees both string copies.
    ~GDummyDynamicClass() override;

    /// "GDummyDynamicClass".
    const char* ___GetClassName() override;
    /// The type given.
    int GetType() override;
    /// The name given; an empty string when it was null.
    const char* GetName() override;

private:
    char* m_Name = nullptr;
    int m_Type = 0;
};
