#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GPooled.h"

class G3Facet;
class G3Surface;
class GEnvelope;
struct G3QuadraSurfaceTreeBuild;

/// One box of the facet octree: a leaf, or split into eight octants. Holds facets too large
/// for its children (or all of them, as a leaf); a facet may sit in several nodes.
class POLYKERN_API G3QuadraSurfaceTreeNode : public GObj {
    PK_DECLARE_POOL(G3QuadraSurfaceTreeNode)

public:
    /// A leaf over `envelope` (not owned) at `level` (1 for the root).
    G3QuadraSurfaceTreeNode(GEnvelope* envelope, int level);
    /// Deletes the child envelopes, then the child nodes.
    ~G3QuadraSurfaceTreeNode() override;
    G3QuadraSurfaceTreeNode(const G3QuadraSurfaceTreeNode&) = delete;
    G3QuadraSurfaceTreeNode& operator=(const G3QuadraSurfaceTreeNode&) = delete;

    const GEnvelope* GetEnvelope() const { return m_Envelope; }
    /// Child k (0 … 7) or null, for a leaf or an index out of range.
    const G3QuadraSurfaceTreeNode* GetChild(int k) const {
        return k >= 0 && k < 8 ? m_Children[k] : nullptr;
    }
    /// Whether the node has children (its first child envelope exists).
    bool IsSplit() const { return m_ChildEnvelopes[0] != nullptr; }
    int GetLevel() const { return m_Level; }
    /// The facets held here (not owned).
    const GArrayCollection* GetFacets() const { return &m_Facets; }

private:
    friend class G3QuadraSurfaceTree;
    friend struct G3QuadraSurfaceTreeBuild;

    GEnvelope* m_Envelope;
    G3QuadraSurfaceTreeNode* m_Children[8] = {};
    GEnvelope* m_ChildEnvelopes[8] = {};
    int32_t m_Level;
    GArrayCollection m_Facets;
};

/// An octree over the facets of one surface, for picking: candidate facets near a segment
/// or within a square aperture around it (a broad phase; exact hits are the caller's).
/// Nodes split above 200 facets, down to four levels. Queries use the facets' first mark
/// and leave it clear, so no other user of that mark may run meanwhile. The tree does not
/// follow later changes of the surface: build it again. Not copyable: it owns its nodes.
class POLYKERN_API G3QuadraSurfaceTree : public GObj {
public:
    /// Remembers the surface (not owned); no tree until MakeTree.
    explicit G3QuadraSurfaceTree(G3Surface* surface);
    ~G3QuadraSurfaceTree() override;
    G3QuadraSurfaceTree(const G3QuadraSurfaceTree&) = delete;
    G3QuadraSurfaceTree& operator=(const G3QuadraSurfaceTree&) = delete;

    /// Builds the tree over the surface's facets as they are now, replacing any earlier
    /// tree. Facets without edges or with non-finite corners are left out. False (no tree)
    /// for a null surface or one whose box is not finite.
    bool MakeTree();
    /// Appends to `out`, once each, the facets held by nodes whose box the segment p1–p2
    /// passes through. False, `out` unchanged, without a tree or for a null or non-finite
    /// argument.
    bool FindIntersection(const double p1[3], const double p2[3], GArrayCollection* out) const;
    /// Appends to `out`, once each, the facets held by nodes whose box meets the square
    /// prism of side `aperture` around the segment p1–p2. False, `out` unchanged, without a
    /// tree, for a zero-length segment, an aperture below 0 or a non-finite argument.
    bool FindIntersectionInApertura(const double p1[3],
                                    const double p2[3],
                                    double aperture,
                                    GArrayCollection* out) const;

    /// The root node; null before MakeTree.
    const G3QuadraSurfaceTreeNode* GetRoot() const { return m_Root; }
    G3Surface* GetSurface() const { return m_Surface; }
    /// The number of nodes.
    int GetNodeCount() const;

private:
    void Clear();

    G3QuadraSurfaceTreeNode* m_Root = nullptr;
    G3Surface* m_Surface;
    GEnvelope* m_RootEnvelope = nullptr;
};
