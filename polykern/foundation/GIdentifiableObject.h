#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"

/// Base of objects that carry an identifier; -1 until one is assigned.
class POLYKERN_API GIdentifiableObject {
public:
    GIdentifiableObject() = default;
    GIdentifiableObject(const GIdentifiableObject& other) = default;
    GIdentifiableObject& operator=(const GIdentifiableObject& other) = default;
    virtual ~GIdentifiableObject();

    int32_t GetId() const { return m_Id; }
    void SetId(int32_t id) { m_Id = id; }

private:
    int32_t m_Id = -1;
};
