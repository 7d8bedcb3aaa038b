#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/G3ExDataProvider.h"

class G3Obj;
class G3Surface;

/// Gives every facet a material index (terrain, wall, slab, roof, glass, ...), published
/// under "KTRX_G3FACE_MATERIAL_INDEX", and hands it on to every facet the kernel derives
/// from a facet (split, cut, copied, merged). Facets made from no facet take the current
/// material. One process-wide instance, registered with the mesh entities on first use.
///
/// A facet's record is shared by every facet of the same material, so two facets hold
/// the same value exactly when they hold the same material: merges that compare outside
/// data keep facets of different materials apart. Records live as long as the process.
class POLYKERN_API G3FaceMaterialProvider : public G3ExDataProvider {
public:
    /// The largest material index a facet can carry; 0 means none.
    static constexpr int kMaxMaterial = 65535;

    /// The process-wide provider, registered with G3Obj on every call that finds it missing.
    static G3FaceMaterialProvider* Get();

    /// The material of a facet; 0 for null, a non-facet or a facet without a material.
    static int MaterialOf(G3Obj* facet);
    /// Gives one facet `material` (0 takes its material away). False, nothing changed, for
    /// null, a non-facet or a material outside 0 .. kMaxMaterial.
    static bool SetMaterial(G3Obj* facet, int material);
    /// Gives every facet of `s` `material`. False, nothing changed, for a null surface or a
    /// material outside 0 .. kMaxMaterial.
    static bool SetMaterial(G3Surface* s, int material);
    /// The material published under "KTRX_G3FACE_MATERIAL_INDEX" for a facet; 0 for any
    /// other key, a null key or an object without a material.
    static long Published(G3Obj* obj, const char* key);

    /// The material given to facets made from now on from no facet, or from a facet that
    /// has none; 0 gives none. False, the current material kept, outside 0 .. kMaxMaterial.
    bool SetCurrent(int material);
    /// The current material, 0 when none.
    int GetCurrent() const;

    /// Records are shared and kept for the process: nothing is released.
    void RemoveExData(void* data) override;
    /// A new facet takes the material of the source set by SetExData, or the current one
    /// when the source has none. A facet reopened (a Boolean reopens its operands) keeps
    /// its material unless a source with one is set, and takes the current one when it has
    /// none. Nothing happens when neither source nor current has a material.
    void OpenExData(void* obj) override;
    /// A facet selects its own material as the source of the facets made next; null ends it.
    void SetExData(void* obj) override;
    /// Gives the target facet the source facet's material (or none, as the source has).
    void CopyExData(G3Obj* target, G3Obj* source) override;

private:
    G3FaceMaterialProvider() = default;
    static G3FaceMaterialProvider* Instance();
    // The shared record of a material; null for 0 or a material out of range.
    static int* Record(int material);
    static int ValueOf(const void* record) {
        return record != nullptr ? *static_cast<const int*>(record) : 0;
    }

    int* m_Current = nullptr;
    int* m_Derived = nullptr;
};

/// Makes a material current for one scope and restores the earlier one on every way out,
/// so a step that fails half-way never paints later facets.
class POLYKERN_API G3FaceMaterialScope {
public:
    /// Makes `material` current; one outside 0 .. kMaxMaterial leaves the current one.
    explicit G3FaceMaterialScope(int material);
    ~G3FaceMaterialScope();
    G3FaceMaterialScope(const G3FaceMaterialScope&) = delete;
    G3FaceMaterialScope& operator=(const G3FaceMaterialScope&) = delete;
    /// Changes the material within the scope; false, nothing changed, when out of range.
    bool Set(int material);

private:
    int m_Saved;
};
