#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/foundation/GMemoryAllocator.h"

class G3BCFacetData;
class G3BCVertexData;
class G3Facet;
class G3Vertex;

/// Gives every vertex and facet of the surface it is attached to a working record, kept
/// in the entity's extended-data link and allocated from the provider's arena.
class POLYKERN_API G3BCExDataProvider : public G3ShellExDataProvider {
public:
    G3BCExDataProvider() = default;
    ~G3BCExDataProvider() override;
    G3BCExDataProvider(const G3BCExDataProvider&) = delete;
    G3BCExDataProvider& operator=(const G3BCExDataProvider&) = delete;

    void OpenExDataVertex(G3Vertex* v) override;
    /// Clears the link, so nothing points into the arena once it is gone.
    void CloseExDataVertex(G3Vertex* v) override;
    void OpenExDataFacet(G3Facet* f) override;
    /// Deletes the facet's intersection list and clears its link.
    void CloseExDataFacet(G3Facet* f) override;
    bool IsExDataVertex() override { return true; }
    bool IsExDataFacet() override { return true; }

    /// The working record of a vertex or facet, or null when it has none of ours.
    static G3BCVertexData* DataOf(const G3Vertex* v);
    static G3BCFacetData* DataOf(const G3Facet* f);

private:
    GMemoryAllocator m_Arena;
};
