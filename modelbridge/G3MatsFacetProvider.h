#pragma once

#include <cstdint>

#include "modelbridge/ModelbridgeExport.h"
#include "polykern/exdata/G3ExDataProvider.h"

class G3Facet;
class G3Obj;

/// The material, colour and layer one facet carries. All three are 0 after construction
/// and after Init(); copies take all three.
class MODELBRIDGE_API MatsFacetDataStruct {
public:
    MatsFacetDataStruct() = default;
    MatsFacetDataStruct(const MatsFacetDataStruct&) = default;
    MatsFacetDataStruct& operator=(const MatsFacetDataStruct&) = default;
    virtual ~MatsFacetDataStruct();
    /// Sets all three values to 0.
    void Init();

    uint16_t material = 0;
    uint32_t color = 0;
    uint16_t layer = 0;
};

/// Attaches a material index, a colour and a layer index to facets as their outside data,
/// so that they travel with the facets through every kernel operation that makes facets
/// from other facets. There is one provider, made when the plug-in loads; the static
/// members act on it and register it with the mesh entities on first use. Destroying it
/// (when the plug-in unloads) takes it off the kernel's provider list again, so the kernel
/// never calls into an unloaded library. Surfaces whose facets carry its records must be
/// destroyed before it is.
class MODELBRIDGE_API G3MatsFacetProvider : public G3ExDataProvider {
public:
    /// Suspended, current values 0. The first provider made becomes the one the static
    /// members use.
    G3MatsFacetProvider();
    /// Unregisters the provider; the static members then have none.
    ~G3MatsFacetProvider() override;
    G3MatsFacetProvider(const G3MatsFacetProvider&) = delete;
    G3MatsFacetProvider& operator=(const G3MatsFacetProvider&) = delete;

    /// The plug-in's provider; null before it is made or after it is destroyed.
    static G3MatsFacetProvider* GetProviderAddr();
    /// Registers the provider, makes `material` current and lifts the suspension. 1; 0
    /// when there is no provider.
    static int SetMaterialGlobal(unsigned short material);
    /// Writes the current values with `material` into the facet's record. 0 for a null
    /// facet (or no provider), else 1; the provider is suspended afterwards.
    static int G3FacetSetMaterial(G3Facet* facet, unsigned short material);
    /// As G3FacetSetMaterial, for the layer.
    static int FacetSetLayer(G3Facet* facet, unsigned short layer);
    /// As G3FacetSetMaterial, for the colour of any entity (only facets keep it). Always 0.
    static int SetColor(G3Obj* object, unsigned long color);
    /// The facet's material; 0 when it has no record.
    static unsigned short G3FacetGetMaterial(G3Facet* facet);
    /// The facet's layer; 0 when it has no record.
    static unsigned short FacetGetLayer(G3Facet* facet);
    /// The entity's colour; 0 when it has no record.
    static unsigned long GetColor(G3Obj* object);
    /// Adds the provider to the kernel's list unless it is there.
    static void Register();
    /// Whether the provider is on the kernel's list.
    static bool IsRegistered();

    void SetMaterial(unsigned short material) { m_Current.material = material; }
    unsigned short GetMaterial() const { return m_Current.material; }
    void SetColor(unsigned long color) { m_Current.color = static_cast<uint32_t>(color); }
    unsigned long GetColor() const { return m_Current.color; }
    void SetLayer(unsigned short layer) { m_Current.layer = layer; }
    unsigned short GetLayer() const { return m_Current.layer; }
    /// Sets the suspend flag (nonzero: OpenExData does nothing); the previous value.
    int SetDirty(int dirty);
    /// A zeroed record owned by the caller; null when out of memory.
    MatsFacetDataStruct* NewExData();

    /// Destroys a record; null is ignored.
    void RemoveExData(void* data) override;
    /// Unless suspended: gives a facet with a parent surface the current values, attaching
    /// (and counting on the surface) a record when it has none.
    void OpenExData(void* object) override;
    /// A facet makes its values current and lifts the suspension; null zeroes them and
    /// suspends; other entities change nothing.
    void SetExData(void* object) override;
    /// Does nothing: the attributes do not depend on position.
    void TransformExData(G3Obj* object, const double m[4][4]) override;
    /// Copies material, colour and layer between two facets that both have records.
    void CopyExData(G3Obj* to, G3Obj* from) override;

    /// Three further one-argument notifications and two two-argument ones; nothing here.
    virtual void NotifyExData1(void* object);
    virtual void NotifyExData2(void* object);
    virtual void NotifyExData3(void* object);
    virtual void NotifyExData4(void* object, void* other);
    virtual void NotifyExData5(void* object, void* other);

private:
    // Registers, lifts the suspension, runs `set` on the current values, opens the
    // entity and suspends again.
    template <class Set>
    static bool WriteInto(G3Obj* object, Set set);
    static MatsFacetDataStruct* RecordOf(G3Obj* object);

    MatsFacetDataStruct m_Current;
    int32_t m_Dirty = 1;
};
