#include "polykern/roof/G3RoofPitch.h"

#include <cstring>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/roof/G3RoofVertex.h"

G3RoofPitch::G3RoofPitch(const double* plane, double pitch)
    : m_Pitch(pitch), m_Polygons(new GArrayCollection()) {
    std::memcpy(m_Plane, plane, sizeof m_Plane);
}

G3RoofPitch::~G3RoofPitch() {
    ClearPolygons();
    delete m_Polygons;
}

void G3RoofPitch::ClearPolygons() {
    for (int i = 0; i < m_Polygons->size(); ++i) {
        G3RoofVertex::DeleteLoop(static_cast<G3RoofVertex*>(m_Polygons->get(i)));
    }
    m_Polygons->clear();
}

bool G3RoofPitch::IsVertical() const {
    return m_Pitch > 1.5707962267948965;
}

int G3RoofPitch::GetPolygonCount() const {
    return m_Polygons->size();
}

G3RoofVertex* G3RoofPitch::GetPolygon(int i) const {
    if (i < 0 || i >= m_Polygons->size()) return nullptr;
    return static_cast<G3RoofVertex*>(m_Polygons->get(i));
}

void G3RoofPitch::AddPolygon(G3RoofVertex* first) {
    if (first != nullptr) m_Polygons->add(first);
}

void G3RoofPitch::SetPolygon(int i, G3RoofVertex* first) {
    if (i < 0 || i >= m_Polygons->size()) return;
    auto* old = static_cast<G3RoofVertex*>(m_Polygons->get(i));
    if (old == first) return;
    G3RoofVertex::DeleteLoop(old);
    m_Polygons->put(i, first);
}
