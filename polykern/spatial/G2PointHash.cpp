#include "polykern/spatial/G2PointHash.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/model/G3Point.h"
#include "polykern/spatial/G3Grid.h"
#include "polykern/spatial/G3PointHashItem.h"

namespace {

const G3Point* PointOf(const G3PointHashItem* item) {
    return static_cast<const G3Point*>(item->GetObj());
}

}  // namespace

G2PointHash::G2PointHash(int n, const double* min, const double* max, double tol) {
    Init(2, n, min, max, tol);
}

G2PointHash::G2PointHash(int dims, int n, const double* min, const double* max, double tol) {
    Init(dims, n, min, max, tol);
}

G2PointHash::~G2PointHash() {
    delete m_Allocator;
    delete[] m_Cells;
}

// The box is grown by at least 2·tol, so the tol-box of every point of the original box
// lies inside; points beyond that are still kept, in the border cells.
void G2PointHash::Init(int dims, int n, const double* min, const double* max, double tol) {
    const bool space = dims == 3;
    m_Tol = std::isfinite(tol) && tol > 0.0 ? tol : 0.0;
    m_N = std::clamp(n, 1, space ? G3Grid::kMaxCellsPerAxis : kMaxCellsPerAxis2);
    m_CellCount = space ? m_N * m_N * m_N : m_N * m_N;
    m_Allocator = new GMemoryAllocator();
    m_Cells = new G3PointHashItem*[m_CellCount]();

    if (min != nullptr && max != nullptr) {
        m_Box.Init(min, max);
    } else if (min != nullptr || max != nullptr) {
        m_Box.Init(min != nullptr ? min : max);
    }
    m_Box.Extend(std::max(0.01 * m_Box.GetMaxSize(), 2.0 * m_Tol));

    const double pad = space ? 0.0 : 2.0 * m_Tol;
    for (int axis = 0; axis < dims; ++axis) {
        m_Width[axis] = (m_Box.GetMax()[axis] - m_Box.GetMin()[axis] + pad) / m_N;
    }
}

int G2PointHash::Round(double v) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}

int G2PointHash::AxisIndex(int axis, double c) const {
    return G3Grid::CellIndex((c - m_Box.GetMin()[axis]) / m_Width[axis], m_N);
}

void G2PointHash::AxisRange(int axis, double c, int* lo, int* hi) const {
    const double from = c - m_Box.GetMin()[axis];
    *lo = G3Grid::CellIndex((from - m_Tol) / m_Width[axis], m_N);
    *hi = G3Grid::CellIndex((from + m_Tol) / m_Width[axis], m_N);
}

void G2PointHash::Push(int cell, G3Obj* obj) {
    m_Cells[cell] = new (m_Allocator) G3PointHashItem(m_Cells[cell], obj);
}

int G2PointHash::GetHashCode(const double* p) const {
    if (p == nullptr) return -1;
    return AxisIndex(0, p[0]) + AxisIndex(1, p[1]) * m_N;
}

int G2PointHash::GetHashCode(const G3Point* pt) const {
    return pt != nullptr ? GetHashCode(pt->GetCoo()) : -1;
}

void G2PointHash::AddWithoutTest(G3Point* pt) {
    if (pt == nullptr) return;
    int x0, x1, y0, y1;
    AxisRange(0, pt->GetX(), &x0, &x1);
    AxisRange(1, pt->GetY(), &y0, &y1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) Push(x + y * m_N, pt);
    }
}

G3Point* G2PointHash::Exists(const double* p) const {
    if (p == nullptr) return nullptr;
    for (G3PointHashItem* item = m_Cells[GetHashCode(p)]; item != nullptr; item = item->GetNext()) {
        if (G3Point::Equals(PointOf(item)->GetCoo(), p, m_Tol))
            return static_cast<G3Point*>(item->GetObj());
    }
    return nullptr;
}

G3Point* G2PointHash::Exists(const G3Point* pt) const {
    return pt != nullptr ? Exists(pt->GetCoo()) : nullptr;
}

bool G2PointHash::Exists(const double* p, GArrayCollection* out) const {
    if (out == nullptr) return false;
    out->clear();
    if (p == nullptr) return false;
    for (G3PointHashItem* item = m_Cells[GetHashCode(p)]; item != nullptr; item = item->GetNext()) {
        if (G3Point::Equals(PointOf(item)->GetCoo(), p, m_Tol)) out->add(item->GetObj());
    }
    return !out->isEmpty();
}

bool G2PointHash::Exists(const G3Point* pt, GArrayCollection* out) const {
    return Exists(pt != nullptr ? pt->GetCoo() : nullptr, out);
}

G3Point* G2PointHash::Add(G3Point* pt) {
    if (pt == nullptr) return nullptr;
    if (G3Point* stored = Exists(pt->GetCoo())) return stored;
    AddWithoutTest(pt);
    return nullptr;
}

G3PointHashItem* G2PointHash::GetCell(int ix, int iy) const {
    if (ix < 0 || ix >= m_N || iy < 0 || iy >= m_N) return nullptr;
    return m_Cells[ix + iy * m_N];
}

int G2PointHash::GetItemCount() const {
    int count = 0;
    for (int c = 0; c < m_CellCount; ++c) {
        for (const G3PointHashItem* item = m_Cells[c]; item != nullptr; item = item->GetNext())
            ++count;
    }
    return count;
}

void G2PointHash::GetCellEnvelope(GEnvelope* out, int ix, int iy) const {
    if (out == nullptr) return;
    const double x = m_Box.GetMin()[0] + ix * m_Width[0];
    const double y = m_Box.GetMin()[1] + iy * m_Width[1];
    out->Init(x, y, 0.0, x + m_Width[0], y + m_Width[1], 0.0);
}
