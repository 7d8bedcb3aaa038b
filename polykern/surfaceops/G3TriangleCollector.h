#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/surfaceops/G3TessWrapper.h"

/// A tessellator wrapper that keeps every triangle as three consecutive entries of its
/// collection (the vertex data given to Vertex, which must be GObj pointers).
class POLYKERN_API G3TriangleCollector : public G3TessWrapper {
public:
    G3TriangleCollector();
    void Triangle(void* a, void* b, void* c) override;
    /// The corners, three per triangle; the collector does not own them.
    GArrayCollection* GetTriangles() { return &m_Triangles; }
    int GetTriangleCount() const { return m_Triangles.size() / 3; }

private:
    GArrayCollection m_Triangles;
};
