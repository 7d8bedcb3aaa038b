#pragma once

#include <cstdint>
#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3EdgeList;
class G3Surface;
class GArrayCollection;

/// Resolves closed contours drawn in one plane (crossing, overlapping, doubled, turned
/// either way) into simple contours that never cross, classifies them as outer
/// boundaries or holes, orients them consistently and hands each one back edge by edge
/// through the virtual Unload callbacks, which a host subclass overrides. Contours whose
/// outlines meet are united; a contour lying apart inside another cuts a hole out of it.
/// Reusable: after EndLoad (or Clear) it is as constructed.
class POLYKERN_API G3ContourDivider : public GObj {
public:
    G3ContourDivider();
    /// Deletes whatever is still loaded.
    ~G3ContourDivider() override;
    G3ContourDivider(const G3ContourDivider&) = delete;
    G3ContourDivider& operator=(const G3ContourDivider&) = delete;

    /// Starts loading: mode 1 bridges every hole into the outer contour around it (the
    /// bridge edges take the flags `remeshParameter`); any other mode keeps holes apart.
    void BeginLoad(int mode, int remeshParameter);
    /// Opens the next contour (nothing when one is open).
    void BeginLoadContour();
    /// Appends the edge p → q (three doubles each) with its flags and the ids of its two
    /// ends to the open contour, opening one when none is. An edge with a null or
    /// non-finite end is dropped.
    void LoadEdge(double* p, double* q, int flags, unsigned long id1, unsigned long id2);
    /// Files the open contour, or drops it when it has no edge.
    void EndLoadContour();
    /// Resolves what was loaded and unloads it: BeginUnload, per contour
    /// BeginUnloadContour, UnloadEdge per edge and EndUnloadContour, then EndUnload.
    /// Nothing at all is unloaded when no contour was filed or none has any area left
    /// (edges without length). Then Clear.
    void EndLoad();

    /// The result starts.
    virtual void BeginUnload();
    /// A contour of `edgeCount` edges starts; `isHole` for a hole.
    virtual void BeginUnloadContour(int edgeCount, bool isHole);
    /// One edge p1 → p2 of the contour (points valid during the call only). kind1 and kind2
    /// are 1 where the corner with the neighbouring edge at that end is a break, else 2;
    /// flags are those loaded with the edge, id1 and id2 the ids loaded with its ends (0
    /// for a point made where edges cross).
    virtual void UnloadEdge(double* p1,
                            int kind1,
                            double* p2,
                            int kind2,
                            int flags,
                            unsigned long id1,
                            unsigned long id2);
    /// The contour ends.
    virtual void EndUnloadContour();
    /// The result ends.
    virtual void EndUnload();

protected:
    /// Deletes everything loaded; mode back to 1 and the re-mesh parameter to 0.
    void Clear();
    /// The turning sense of a contour in its plane's axes, read at its corner of largest x:
    /// +1 clockwise, −1 counter-clockwise, 0 when every corner is collinear within 1e-12
    /// (or for a null contour).
    int GetSignOfOrientedSquare(G3EdgeList* contour);
    /// Moves each edge's form-making bit to the next edge, the last edge's to the first, so
    /// that emitting the edges backwards keeps each bit on the vertex it described.
    void ReverseContourFlags(G3EdgeList* contour);

private:
    // Ids loaded with the two ends of an edge, kept at full width.
    struct EndIds {
        unsigned long id1, id2;
    };
    // Steps 5 to 8 of EndLoad: orientation and the callbacks; idOf gives a vertex's id.
    void Unload(GArrayCollection* pieces, const std::vector<unsigned long>& idOf);

    int m_Mode = 1;
    G3EdgeList* m_Current = nullptr;
    GArrayCollection* m_Contours = nullptr;
    G3Surface* m_Work = nullptr;
    int m_RemeshParameter = 0;
    std::vector<EndIds> m_Ids;  // per loaded edge, in load order
};
