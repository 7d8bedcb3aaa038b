#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/G3ExDataProvider.h"

class G3Obj;

/// What a roof facet is: the top (the only layer of a roof without thickness), the
/// underside of a thick roof, or a fascia strip.
enum ROOF_FACET_TYPE {
    ROOF_FACET_NONE = 0,
    ROOF_FACET_TOP = 1,
    ROOF_FACET_UNDER = 2,
    ROOF_FACET_FASCIA = 4
};

/// The tag one roof facet carries: its section number (from 1) and its facet type.
struct G3RoofTag {
    int section = 0;
    ROOF_FACET_TYPE type = ROOF_FACET_NONE;
};

/// Tags every facet created while a section number is current with {section, type}, and
/// hands a facet's tag on to the facets the kernel derives from it (split, cut, merged).
/// One process-wide instance, registered with the mesh entities on first use.
class POLYKERN_API G3RoofTagProvider : public G3ExDataProvider {
public:
    /// The process-wide provider, registered with G3Obj on every call that finds it missing.
    static G3RoofTagProvider* Get();

    /// The tag of a facet; zeros for null, a non-facet or a facet without a tag.
    static G3RoofTag TagOf(G3Obj* obj);
    /// The value published under "KTRX_ROOF_SECT_ID" (the section number) or
    /// "KTRX_ROOF_PLANE_INDEX" (the facet type) for a facet; 0 for any other key or object.
    static long Published(G3Obj* obj, const char* key);

    /// The tag given to facets created from now on; section 0 tags nothing.
    void SetCurrent(int section, ROOF_FACET_TYPE type);
    G3RoofTag GetCurrent() const { return m_Current; }

    void RemoveExData(void* data) override;
    /// Attaches (or overwrites) the facet's tag: the derived source's while one is set,
    /// otherwise the current one when its section is not 0.
    void OpenExData(void* obj) override;
    /// A facet selects its own tag as the source of the facets derived next; null ends it.
    void SetExData(void* obj) override;
    /// Copies the source facet's tag onto the target facet.
    void CopyExData(G3Obj* target, G3Obj* source) override;

private:
    G3RoofTagProvider() = default;
    G3RoofTag m_Current;
    G3RoofTag m_Derived;
    bool m_HasDerived = false;
};

/// Makes a tag current for one scope and restores the earlier one on every way out, so a
/// step that fails half-way never tags later facets.
class POLYKERN_API G3RoofTagScope {
public:
    G3RoofTagScope(int section, ROOF_FACET_TYPE type);
    ~G3RoofTagScope();
    G3RoofTagScope(const G3RoofTagScope&) = delete;
    G3RoofTagScope& operator=(const G3RoofTagScope&) = delete;
    /// Changes the tag within the scope.
    void Set(int section, ROOF_FACET_TYPE type);

private:
    G3RoofTag m_Saved;
};
