#include "polykern/foundation/GIdMap.h"

#include <algorithm>
#include <climits>

GIdMap::GIdMap() {
    Init(256);
}

GIdMap::GIdMap(int size) {
    Init(size);
}

GIdMap::~GIdMap() {
    delete[] m_Slots;
}

void GIdMap::Init(int size) {
    m_Size = size > 0 ? size : 1;
    m_Slots = new GObj*[m_Size]();
}

GObj* GIdMap::Put(int id, GObj* obj) {
    if (id < 0 || id == INT_MAX) return nullptr;
    if (id >= m_Size) Realloc(id + 1);
    GObj* old = m_Slots[id];
    m_Slots[id] = obj;
    return old;
}

GObj* GIdMap::Get(int id) const {
    return id >= 0 && id < m_Size ? m_Slots[id] : nullptr;
}

GObj* GIdMap::Remove(int id) {
    if (id < 0 || id >= m_Size) return nullptr;
    GObj* old = m_Slots[id];
    m_Slots[id] = nullptr;
    return old;
}

int GIdMap::GetFreeId() const {
    for (int i = 0; i < m_Size; ++i) {
        if (m_Slots[i] == nullptr) return i;
    }
    return m_Size;
}

void GIdMap::Realloc(int newSize) {
    if (newSize < 0 || newSize == m_Size) return;
    GObj** slots = new GObj*[newSize > 0 ? newSize : 1]();
    std::copy(m_Slots, m_Slots + std::min(m_Size, newSize), slots);
    delete[] m_Slots;
    m_Slots = slots;
    m_Size = newSize;
}

void GIdMap::Clear() {
    std::fill(m_Slots, m_Slots + m_Size, nullptr);
}
