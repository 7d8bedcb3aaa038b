#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Obj;

/// One link of a point or texture-coordinate hash cell: the next link of the same cell
/// (null at the chain's end) and the indexed entity (a G3Point or a G3TexCoo), which the
/// link does not own. Links live in their hash's arena and are released with it, never
/// one by one.
class POLYKERN_API G3PointHashItem : public GObj {
public:
    G3PointHashItem(G3PointHashItem* next, G3Obj* obj) : m_Next(next), m_Obj(obj) {}

    /// The next link of the cell, or null.
    G3PointHashItem* GetNext() const { return m_Next; }
    /// The indexed entity.
    G3Obj* GetObj() const { return m_Obj; }

private:
    G3PointHashItem* m_Next = nullptr;
    G3Obj* m_Obj = nullptr;
};
