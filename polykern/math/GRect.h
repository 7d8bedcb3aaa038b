#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// An integer (pixel) rectangle, inclusive on all four sides.
class POLYKERN_API GRect : public GObj {
public:
    GRect() = default;
    /// Stores the sides, then normalizes.
    GRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    /// (0, 0, width − 1, height − 1).
    GRect(int32_t width, int32_t height);
    explicit GRect(const GRect* other);
    GRect(const GRect& other) = default;
    GRect& operator=(const GRect& other) = default;

    void Copy(GObj* from) override;
    void Set(int32_t left, int32_t top, int32_t right, int32_t bottom);
    /// Swaps reversed sides.
    void Normalize();
    int32_t GetWidth() const { return m_Right - m_Left + 1; }
    int32_t GetHeight() const { return m_Bottom - m_Top + 1; }
    bool Equals(const GRect* other) const;
    /// Union with `other`.
    void Add(const GRect* other);
    /// Grows to include the pixel.
    void Add(int32_t x, int32_t y);
    /// 0x80000000 when disjoint; otherwise 1 (left), 0x10000 (right), 2 (top), 0x20000
    /// (bottom) for each side that sticks out of `other`.
    uint32_t ClipTest(const GRect* other) const;
    /// Each flagged side takes `other`'s value.
    void Clip(const GRect* other, uint32_t flags);
    /// 0 when disjoint; otherwise out := this clipped to `other` and 1.
    int IntersectIn(const GRect* other, GRect* out) const;
    /// Writes the parts of this rectangle outside `other` to `out` (room for four) and
    /// returns their number: left strip, top, right, bottom, in that order.
    int IntersectOut(const GRect* other, GRect* out) const;

    int32_t GetLeft() const { return m_Left; }
    int32_t GetTop() const { return m_Top; }
    int32_t GetRight() const { return m_Right; }
    int32_t GetBottom() const { return m_Bottom; }

private:
    int32_t m_Left = 0;
    int32_t m_Top = 0;
    int32_t m_Right = 0;
    int32_t m_Bottom = 0;
};
