#include "polykern/surfaceops/G3TriangleCollector.h"

G3TriangleCollector::G3TriangleCollector() : m_Triangles(48, 48) {}

void G3TriangleCollector::Triangle(void* a, void* b, void* c) {
    m_Triangles.add(static_cast<GObj*>(a));
    m_Triangles.add(static_cast<GObj*>(b));
    m_Triangles.add(static_cast<GObj*>(c));
}
