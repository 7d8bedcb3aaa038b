#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/foundation/GObj.h"

/// The saved state of one entity during a transformation preview: coordinates (or a
/// plane) and the extended-data link the entity had before.
class POLYKERN_API G3TransformSnapshot : public GObj {
public:
    double values[4] = {0.0, 0.0, 0.0, 0.0};
    GObj* previousLink = nullptr;
};

/// Attached to a shell during a transformation preview: snapshots each opened vertex
/// (and normal, facet plane when asked) into the entity's extended-data link and puts
/// everything back on close. The snapshots live in the provider's arena.
class POLYKERN_API G3TransformSnapshotProvider : public G3ShellExDataProvider {
public:
    G3TransformSnapshotProvider(bool keepFacetPlanes, bool keepNormals)
        : m_KeepFacetPlanes(keepFacetPlanes), m_KeepNormals(keepNormals) {}

    bool IsExDataVertex() override { return true; }
    bool IsExDataFacet() override { return m_KeepFacetPlanes; }
    bool IsExDataNormal() override { return m_KeepNormals; }
    void OpenExDataVertex(G3Vertex* v) override;
    void CloseExDataVertex(G3Vertex* v) override;
    void OpenExDataNormal(G3Normal* n) override;
    void CloseExDataNormal(G3Normal* n) override;
    void OpenExDataFacet(G3Facet* f) override;
    void CloseExDataFacet(G3Facet* f) override;

    /// The snapshot an entity's link holds, or null when it holds none of this provider's.
    static const G3TransformSnapshot* SnapshotOf(const GObj* link);

private:
    G3TransformSnapshot* Save(const double* values, int n, GObj* previousLink);

    bool m_KeepFacetPlanes;
    bool m_KeepNormals;
    GMemoryAllocator m_Arena;
};
