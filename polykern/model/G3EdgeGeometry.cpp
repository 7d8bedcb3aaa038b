#include "polykern/model/G3EdgeGeometry.h"

#include <utility>

#include "polykern/foundation/GHeap.h"

PK_DEFINE_POOL(G3EdgeGeometry, 65536)

void G3EdgeGeometry::Copy(GObj* from) {
    GObj::Copy(from);
    auto* source = dynamic_cast<G3EdgeGeometry*>(from);
    if (source == nullptr || source == this) return;
    for (int k = 0; k < 4; ++k) {
        m_Normals[k] = source->m_Normals[k];
        m_TexCoos[k] = source->m_TexCoos[k];
    }
}

G3EdgeGeometry* G3EdgeGeometry::Duplicate() {
    auto* copy = new G3EdgeGeometry();
    copy->Copy(this);
    return copy;
}

G3Normal* G3EdgeGeometry::Get(int slot, G3TexCoo** t) const {
    if (t != nullptr) *t = m_TexCoos[slot];
    return m_Normals[slot];
}

void G3EdgeGeometry::Set(int slot, G3Normal* n, G3TexCoo* t) {
    m_Normals[slot] = n;
    m_TexCoos[slot] = t;
}

void G3EdgeGeometry::SwapVertex() {
    std::swap(m_Normals[F1V1], m_Normals[F1V2]);
    std::swap(m_Normals[F2V1], m_Normals[F2V2]);
    std::swap(m_TexCoos[F1V1], m_TexCoos[F1V2]);
    std::swap(m_TexCoos[F2V1], m_TexCoos[F2V2]);
}
