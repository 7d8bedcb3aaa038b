#pragma once

#include "polykern/PolykernExport.h"

class G3Surface;

/// Booleans of closed surfaces. For now: the working data every operation runs on.
class POLYKERN_API G3BooleanCalculator {
public:
    /// Gives every vertex and facet of s its working record (a facet's carries its
    /// envelope grown by 1e-5). A provider attached to s before is set aside and comes
    /// back with CloseBoolean.
    static void OpenBoolean(G3Surface* s);
    /// Releases the working records: every link is cleared before the records go.
    static void CloseBoolean(G3Surface* s);
};
