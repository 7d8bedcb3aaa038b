#pragma once

#include <cstdint>

#include "sheetlink/FPOINT.h"

/// One plane of a plane body: its vertex ring, colour, material and layer. The vertex
/// array belongs to the body that holds the plane.
struct Sheetlink_Plane {
    int32_t numVertices = 0;
    FPOINT* vertices = nullptr;
    int32_t color = 0;
    uint16_t material = 0;
    uint16_t layer = 0;
};
