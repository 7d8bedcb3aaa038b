#include "polykern/spatial/G3TexCooHash.h"

#include <algorithm>
#include <cmath>

#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/spatial/G3Grid.h"
#include "polykern/spatial/G3PointHashItem.h"

namespace {

const G3TexCoo* TexCooOf(const G3PointHashItem* item) {
    return static_cast<const G3TexCoo*>(item->GetObj());
}

}  // namespace

// The box is grown by at least 2·tol, so the tol-box of every pair of the original box lies
// inside; pairs beyond that are still kept, in the border cells.
G3TexCooHash::G3TexCooHash(int n, const double* min, const double* max, double tol)
    : m_N(std::clamp(n, 1, kMaxCellsPerAxis)) {
    m_Tol = std::isfinite(tol) && tol > 0.0 ? tol : 0.0;
    m_CellCount = m_N * m_N;
    m_Allocator = new GMemoryAllocator();
    m_Cells = new G3PointHashItem*[m_CellCount]();

    const double* a = min != nullptr ? min : max;
    const double* b = max != nullptr ? max : min;
    for (int axis = 0; axis < 2 && a != nullptr; ++axis) {
        m_Min[axis] = std::min(a[axis], b[axis]);
        m_Max[axis] = std::max(a[axis], b[axis]);
    }
    const double largest = std::max(m_Max[0] - m_Min[0], m_Max[1] - m_Min[1]);
    const double margin = std::max(0.01 * largest, 2.0 * m_Tol);
    for (int axis = 0; axis < 2; ++axis) {
        m_Min[axis] -= margin;
        m_Max[axis] += margin;
        m_Width[axis] = (m_Max[axis] - m_Min[axis] + 2.0 * m_Tol) / m_N;
    }
}

G3TexCooHash::~G3TexCooHash() {
    delete m_Allocator;
    delete[] m_Cells;
}

int G3TexCooHash::AxisIndex(int axis, double c) const {
    return G3Grid::CellIndex((c - m_Min[axis]) / m_Width[axis], m_N);
}

int G3TexCooHash::GetHashCode(const G3TexCoo* tc) const {
    if (tc == nullptr) return -1;
    return AxisIndex(0, tc->GetU()) + AxisIndex(1, tc->GetV()) * m_N;
}

void G3TexCooHash::AddWithoutTest(G3TexCoo* tc) {
    if (tc == nullptr) return;
    int lo[2], hi[2];
    for (int axis = 0; axis < 2; ++axis) {
        const double from = tc->GetUV(axis) - m_Min[axis];
        lo[axis] = G3Grid::CellIndex((from - m_Tol) / m_Width[axis], m_N);
        hi[axis] = G3Grid::CellIndex((from + m_Tol) / m_Width[axis], m_N);
    }
    for (int v = lo[1]; v <= hi[1]; ++v) {
        for (int u = lo[0]; u <= hi[0]; ++u) {
            const int cell = u + v * m_N;
            m_Cells[cell] = new (m_Allocator) G3PointHashItem(m_Cells[cell], tc);
        }
    }
}

G3TexCoo* G3TexCooHash::Exists(const G3TexCoo* tc) const {
    if (tc == nullptr) return nullptr;
    for (G3PointHashItem* item = m_Cells[GetHashCode(tc)]; item != nullptr;
         item = item->GetNext()) {
        if (TexCooOf(item)->Equals(tc, m_Tol)) return static_cast<G3TexCoo*>(item->GetObj());
    }
    return nullptr;
}

G3TexCoo* G3TexCooHash::Add(G3TexCoo* tc) {
    if (tc == nullptr) return nullptr;
    if (G3TexCoo* stored = Exists(tc)) return stored;
    AddWithoutTest(tc);
    return nullptr;
}

G3PointHashItem* G3TexCooHash::GetCell(int iu, int iv) const {
    if (iu < 0 || iu >= m_N || iv < 0 || iv >= m_N) return nullptr;
    return m_Cells[iu + iv * m_N];
}

int G3TexCooHash::GetItemCount() const {
    int count = 0;
    for (int c = 0; c < m_CellCount; ++c) {
        for (const G3PointHashItem* item = m_Cells[c]; item != nullptr; item = item->GetNext())
            ++count;
    }
    return count;
}
