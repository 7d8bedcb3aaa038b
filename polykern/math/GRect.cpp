#include "polykern/math/GRect.h"

#include <algorithm>
#include <utility>

GRect::GRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Set(left, top, right, bottom);
}

GRect::GRect(int32_t width, int32_t height)
    : m_Left(0), m_Top(0), m_Right(width - 1), m_Bottom(height - 1) {}

GRect::GRect(const GRect* other) : GRect(*other) {}

void GRect::Copy(GObj* from) {
    GObj::Copy(from);
    auto* other = dynamic_cast<GRect*>(from);
    if (other == nullptr) return;
    m_Left = other->m_Left;
    m_Top = other->m_Top;
    m_Right = other->m_Right;
    m_Bottom = other->m_Bottom;
}

void GRect::Set(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    m_Left = left;
    m_Top = top;
    m_Right = right;
    m_Bottom = bottom;
    Normalize();
}

void GRect::Normalize() {
    if (m_Left > m_Right) std::swap(m_Left, m_Right);
    if (m_Top > m_Bottom) std::swap(m_Top, m_Bottom);
}

bool GRect::Equals(const GRect* other) const {
    return m_Left == other->m_Left && m_Top == other->m_Top && m_Right == other->m_Right &&
           m_Bottom == other->m_Bottom;
}

void GRect::Add(const GRect* other) {
    m_Left = std::min(m_Left, other->m_Left);
    m_Top = std::min(m_Top, other->m_Top);
    m_Right = std::max(m_Right, other->m_Right);
    m_Bottom = std::max(m_Bottom, other->m_Bottom);
}

void GRect::Add(int32_t x, int32_t y) {
    m_Left = std::min(m_Left, x);
    m_Top = std::min(m_Top, y);
    m_Right = std::max(m_Right, x);
    m_Bottom = std::max(m_Bottom, y);
}

uint32_t GRect::ClipTest(const GRect* other) const {
    if (m_Left > other->m_Right || m_Right < other->m_Left || m_Top > other->m_Bottom ||
        m_Bottom < other->m_Top) {
        return 0x80000000u;
    }
    uint32_t flags = 0;
    if (m_Left < other->m_Left) flags |= 0x1u;
    if (m_Right > other->m_Right) flags |= 0x10000u;
    if (m_Top < other->m_Top) flags |= 0x2u;
    if (m_Bottom > other->m_Bottom) flags |= 0x20000u;
    return flags;
}

void GRect::Clip(const GRect* other, uint32_t flags) {
    if (flags & 0x1u) m_Left = other->m_Left;
    if (flags & 0x10000u) m_Right = other->m_Right;
    if (flags & 0x2u) m_Top = other->m_Top;
    if (flags & 0x20000u) m_Bottom = other->m_Bottom;
}

int GRect::IntersectIn(const GRect* other, GRect* out) const {
    const uint32_t flags = ClipTest(other);
    if (flags == 0x80000000u) return 0;
    *out = *this;
    out->Clip(other, flags);
    return 1;
}

int GRect::IntersectOut(const GRect* other, GRect* out) const {
    const uint32_t flags = ClipTest(other);
    if (flags == 0) return 0;
    if (flags == 0x80000000u) {
        out[0] = *this;
        return 1;
    }
    GRect w(*this);
    int n = 0;
    if (flags & 0x1u) {
        out[n++] = GRect(w.m_Left, w.m_Top, other->m_Left - 1, w.m_Bottom);
        w.m_Left = other->m_Left;
    }
    if (flags & 0x2u) {
        out[n++] = GRect(w.m_Left, w.m_Top, w.m_Right, other->m_Top - 1);
        w.m_Top = other->m_Top;
    }
    if (flags & 0x10000u) {
        out[n++] = GRect(other->m_Right + 1, w.m_Top, w.m_Right, w.m_Bottom);
        w.m_Right = other->m_Right;
    }
    if (flags & 0x20000u) out[n++] = GRect(w.m_Left, other->m_Bottom + 1, w.m_Right, w.m_Bottom);
    return n;
}
