#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"

/// Intrusively counted base: the first owner calls AddRef, the last Release deletes the
/// object. A copy is a new object with no owners yet: it starts with its own count of 0,
/// and assignment leaves the target's count alone.
class POLYKERN_API GPointer {
public:
    GPointer() = default;
    GPointer(const GPointer& /*other*/) {}
    GPointer& operator=(const GPointer& /*other*/) { return *this; }
    virtual ~GPointer();

    virtual void AddRef() { ++m_RefCount; }
    /// Count − 1; deletes the object when the count reaches 0. Releasing an object whose
    /// count is already 0 makes it −1 and deletes nothing.
    virtual void Release();
    virtual int RefCount() const { return m_RefCount; }

private:
    int32_t m_RefCount = 0;
};
