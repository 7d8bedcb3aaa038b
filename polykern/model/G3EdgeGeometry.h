#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GPooled.h"

class G3Normal;
class G3TexCoo;

/// Shading data of an edge: a normal and a texture coordinate for each facet side at
/// each end. Refers to objects the shell owns; owns nothing.
class POLYKERN_API G3EdgeGeometry : public GObj {
    PK_DECLARE_POOL(G3EdgeGeometry)

public:
    /// Slots: facet 1 at vertex 1, facet 1 at vertex 2, facet 2 at vertex 1, facet 2 at vertex 2.
    enum Slot { F1V1 = 0, F1V2 = 1, F2V1 = 2, F2V2 = 3 };

    G3EdgeGeometry() = default;

    void Copy(GObj* from) override;
    G3EdgeGeometry* Duplicate() override;

    G3Normal* GetFacet1V1(G3TexCoo** t) const { return Get(F1V1, t); }
    G3Normal* GetFacet1V2(G3TexCoo** t) const { return Get(F1V2, t); }
    G3Normal* GetFacet2V1(G3TexCoo** t) const { return Get(F2V1, t); }
    G3Normal* GetFacet2V2(G3TexCoo** t) const { return Get(F2V2, t); }
    void SetFacet1V1(G3Normal* n, G3TexCoo* t) { Set(F1V1, n, t); }
    void SetFacet1V2(G3Normal* n, G3TexCoo* t) { Set(F1V2, n, t); }
    void SetFacet2V1(G3Normal* n, G3TexCoo* t) { Set(F2V1, n, t); }
    void SetFacet2V2(G3Normal* n, G3TexCoo* t) { Set(F2V2, n, t); }
    /// The normal of a slot, and its texture coordinate in *t when t is not null.
    G3Normal* Get(int slot, G3TexCoo** t) const;
    void Set(int slot, G3Normal* n, G3TexCoo* t);
    /// Exchanges the vertex-1 and vertex-2 entries of both sides.
    void SwapVertex();

private:
    G3Normal* m_Normals[4] = {nullptr, nullptr, nullptr, nullptr};
    G3TexCoo* m_TexCoos[4] = {nullptr, nullptr, nullptr, nullptr};
};
