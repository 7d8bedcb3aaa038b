#include "polykern/spatial/G3FacetPlaneHash.h"

#include <algorithm>
#include <cmath>

#include "polykern/model/G3Facet.h"
#include "polykern/spatial/G3FacetPlaneHashItem.h"
#include "polykern/spatial/G3Grid.h"

namespace {

// Two unit normals that G3Facet::PlaneEquals accepts have 1 − n1·n2 < 1e-6, hence
// |n1 − n2| = sqrt(2 (1 − n1·n2)) < 1.415e-3, and no component differs by more. A group
// entered in every cell within this reach is found from the cell of any equal normal.
constexpr double kNormalReach = 1.5e-3;

}  // namespace

G3FacetPlaneHash::G3FacetPlaneHash(int n) {
    Init(n);
}

G3FacetPlaneHash::~G3FacetPlaneHash() {
    for (int c = 0; c < m_CellCount; ++c) {
        G3FacetPlaneHashItem* item = m_Cells[c];
        while (item != nullptr) {
            G3FacetPlaneHashItem* next = item->GetNext();
            delete item;
            item = next;
        }
    }
    delete[] m_Cells;
}

void G3FacetPlaneHash::Init(int n) {
    m_N = std::clamp(n, 1, kMaxCellsPerAxis);
    m_CellCount = m_N * m_N * m_N;
    m_Cells = new G3FacetPlaneHashItem*[m_CellCount]();
    m_Width = 1.000003 / m_N;
}

int G3FacetPlaneHash::GetHashCode(const G3Facet* f) const {
    if (f == nullptr) return -1;
    int index[3];
    for (int axis = 0; axis < 3; ++axis)
        index[axis] = G3Grid::CellIndex(std::fabs(f->GetPlane()[axis]) / m_Width, m_N);
    return index[0] + (index[1] + index[2] * m_N) * m_N;
}

void G3FacetPlaneHash::AxisRange(double v, int* lo, int* hi) const {
    const double a = std::fabs(v);
    *lo = G3Grid::CellIndex((a - kNormalReach) / m_Width, m_N);
    *hi = G3Grid::CellIndex((a + kNormalReach) / m_Width, m_N);
}

G3FacetPlaneHashItem* G3FacetPlaneHash::Add(G3Facet* f) {
    if (f == nullptr) return nullptr;
    for (G3FacetPlaneHashItem* item = m_Cells[GetHashCode(f)]; item != nullptr;
         item = item->GetNext()) {
        if (item->PlaneEquals(f)) {
            item->AddFacet(f);
            return item->IsPrimary() ? item : item->GetPrimary();
        }
    }
    return AddWithoutTest(f);
}

// Cells are visited with the c index outermost and the a index innermost; the first one
// visited holds the primary.
G3FacetPlaneHashItem* G3FacetPlaneHash::AddWithoutTest(G3Facet* f) {
    if (f == nullptr) return nullptr;
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) AxisRange(f->GetPlane()[axis], &lo[axis], &hi[axis]);
    G3FacetPlaneHashItem* primary = nullptr;
    for (int c = lo[2]; c <= hi[2]; ++c) {
        for (int b = lo[1]; b <= hi[1]; ++b) {
            for (int a = lo[0]; a <= hi[0]; ++a) {
                const int cell = a + (b + c * m_N) * m_N;
                auto* item = primary == nullptr ? new G3FacetPlaneHashItem(f)
                                                : new G3FacetPlaneHashItem(primary);
                if (primary == nullptr) primary = item;
                item->SetNext(m_Cells[cell]);
                m_Cells[cell] = item;
            }
        }
    }
    return primary;
}

G3FacetPlaneHashItem* G3FacetPlaneHash::Get(int i) const {
    return i >= 0 && i < m_CellCount ? m_Cells[i] : nullptr;
}
