#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// A vertex's working record during a Boolean operation: its classification against
/// the other surface (0 until classified).
class POLYKERN_API G3BCVertexData final : public GObj {
public:
    int classification = 0;
};
