#pragma once

#include "polykern/PolykernExport.h"

struct GLUtesselator;

/// Drives the OpenGL utility library's polygon tessellator and turns the primitives it
/// reports (triangles, strips and fans) into single triangles passed to Triangle. The
/// vertex data are the caller's own pointers, handed back unchanged.
///
/// Only one tessellation runs at a time on a thread: the tessellator's callbacks reach the
/// wrapper through a pointer of the calling thread, set between BeginPolygon and
/// EndPolygon. Tessellations on different threads do not meet.
class POLYKERN_API G3TessWrapper {
public:
    /// Creates the tessellator (odd winding rule).
    G3TessWrapper();
    /// Releases the tessellator.
    virtual ~G3TessWrapper();
    G3TessWrapper(const G3TessWrapper&) = delete;
    G3TessWrapper& operator=(const G3TessWrapper&) = delete;

    /// Starts a polygon. False when no tessellator could be made or another tessellation
    /// is running on this thread.
    virtual bool BeginPolygon();
    /// The same; the projection axes are not needed by the tessellator.
    virtual bool BeginPolygon(int i, int j);
    /// Ends the polygon: the tessellator runs and Triangle is called for each triangle.
    /// False when the tessellator reported an error (the triangles it gave before the
    /// error may already have been passed on).
    virtual bool EndPolygon();
    /// Receives one triangle, corners in the order the tessellator gives (counter-clockwise
    /// about the normal). Does nothing here.
    virtual void Triangle(void* a, void* b, void* c);
    /// A notification hook for subclasses; does nothing here.
    virtual void Notify(void* data);

    /// Opens and closes one loop of the current polygon (an outline or a hole).
    void BeginContour();
    void EndContour();
    /// Adds a corner to the open loop. Non-finite coordinates are refused (false) and
    /// make EndPolygon fail, since the tessellator cannot handle them.
    bool Vertex(const double xyz[3], void* data);
    /// The normal the tessellator projects along; a zero vector lets it choose.
    void SetNormal(double a, double b, double c);

    /// The error the tessellator reported for the current polygon (0 for none).
    int GetError() const { return m_Error; }

private:
    static void OnBegin(unsigned int type);
    static void OnVertex(void* data);
    static void OnEnd();
    static void OnError(unsigned int error);
    void Accept(void* data);

    GLUtesselator* m_Tess = nullptr;
    unsigned int m_Type = 0;
    int m_Count = 0;
    void* m_First = nullptr;  // a fan's centre
    void* m_Prev = nullptr;   // the older of the last two corners
    void* m_Last = nullptr;
    int m_Parity = 0;  // strip triangles alternate their corner order
    int m_Error = 0;
    bool m_Open = false;
};
