#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
/// One polygon vertex of a plane body. Arrays of it are byte-packed, 33 bytes per element,
/// because the host and the plug-in both read and write them. Fields may be misaligned:
/// read and write them by value, never through a reference or pointer to a field.
struct FPOINT {
    double x;
    double y;
    double z;
    int32_t reserved1;  ///< written 0
    int32_t reserved2;  ///< written 0
    uint8_t hidden;     ///< nonzero: the polygon edge next to this vertex is not drawn
};
#pragma pack(pop)

static_assert(sizeof(FPOINT) == 33, "FPOINT arrays are stepped by 33 bytes");
static_assert(offsetof(FPOINT, hidden) == 32, "the hidden flag follows the reserved words");
