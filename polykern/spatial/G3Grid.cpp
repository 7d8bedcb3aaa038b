#include "polykern/spatial/G3Grid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <utility>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Obj.h"

namespace {

// The box is grown by this much so that facets lying on its faces fall inside.
constexpr double kBoxMargin = 2e-6;

bool IsFinite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// trunc(t) limited to -1 … n, NaN giving 0: a range end that may still lie beside the grid.
int RangeEnd(double t, int n) {
    if (!(t > -1.0)) return std::isnan(t) ? 0 : -1;
    return t < n ? static_cast<int>(t) : n;
}

}  // namespace

G3Grid::G3Grid(const GEnvelope* env, int n) : m_N(std::clamp(n, 1, kMaxCellsPerAxis)) {
    if (env != nullptr) m_Box.Init(env->GetMin(), env->GetMax());
    m_Box.Extend(kBoxMargin);
    for (int k = 0; k < 3; ++k) m_Width[k] = (m_Box.GetMax()[k] - m_Box.GetMin()[k]) / m_N;
    m_Cells = new GArrayCollection*[static_cast<std::size_t>(m_N) * m_N * m_N]();
}

G3Grid::~G3Grid() {
    const int count = m_N * m_N * m_N;
    for (int c = 0; c < count; ++c) delete m_Cells[c];
    delete[] m_Cells;
}

int G3Grid::Saturate(double t) {
    if (std::isnan(t)) return 0;
    if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(t);
}

bool G3Grid::InRange(int i, int j, int k) const {
    return i >= 0 && i < m_N && j >= 0 && j < m_N && k >= 0 && k < m_N;
}

GArrayCollection* G3Grid::Get(int i, int j, int k) const {
    return InRange(i, j, k) ? m_Cells[CellOf(i, j, k)] : nullptr;
}

GArrayCollection* G3Grid::set(int i, int j, int k, GArrayCollection* c) {
    if (!InRange(i, j, k)) return nullptr;
    return std::exchange(m_Cells[CellOf(i, j, k)], c);
}

void G3Grid::Append(int cell, G3Obj* obj) {
    GArrayCollection*& list = m_Cells[cell];
    if (list == nullptr) list = new GArrayCollection(32, 64);
    list->add(obj);
}

void G3Grid::Add(int i, int j, int k, GObj* obj) {
    auto* entry = dynamic_cast<G3Obj*>(obj);
    if (entry == nullptr || !InRange(i, j, k)) return;
    Append(CellOf(i, j, k), entry);
}

void G3Grid::AxisRange(int axis, double lo, double hi, int* range) const {
    const double origin = m_Box.GetMin()[axis];
    range[0] = std::max(0, RangeEnd((lo - origin) / m_Width[axis], m_N));
    range[1] = std::min(m_N - 1, RangeEnd((hi - origin) / m_Width[axis], m_N));
}

void G3Grid::GetIndexes(const GEnvelope* env, int* i, int* j, int* k) const {
    if (env == nullptr || i == nullptr || j == nullptr || k == nullptr) return;
    int* ranges[3] = {i, j, k};
    for (int axis = 0; axis < 3; ++axis)
        AxisRange(axis, env->GetMin()[axis], env->GetMax()[axis], ranges[axis]);
}

void G3Grid::GetIndexes(const double* p, int* i, int* j, int* k) const {
    if (p == nullptr || i == nullptr || j == nullptr || k == nullptr) return;
    int* cells[3] = {i, j, k};
    for (int axis = 0; axis < 3; ++axis)
        *cells[axis] = CellIndex((p[axis] - m_Box.GetMin()[axis]) / m_Width[axis], m_N);
}

void G3Grid::AddFacet(G3Facet* f, const GEnvelope* env) {
    if (f == nullptr) return;
    GEnvelope own;
    if (env == nullptr) env = f->FormEnvelope(&own);
    f->ClearMark();
    int i[2], j[2], k[2];
    GetIndexes(env, i, j, k);
    for (int z = k[0]; z <= k[1]; ++z) {
        for (int y = j[0]; y <= j[1]; ++y) {
            for (int x = i[0]; x <= i[1]; ++x) Append(CellOf(x, y, z), f);
        }
    }
}

void G3Grid::OutFacets(int i0, int i1, int j0, int j1, int k0, int k1, GCollection* out) {
    if (out == nullptr) return;
    int lo[3] = {i0, j0, k0}, hi[3] = {i1, j1, k1};
    for (int axis = 0; axis < 3; ++axis) {
        if (lo[axis] > hi[axis]) std::swap(lo[axis], hi[axis]);
        lo[axis] = std::max(lo[axis], 0);
        hi[axis] = std::min(hi[axis], m_N - 1);
    }
    for (int z = lo[2]; z <= hi[2]; ++z) {
        for (int y = lo[1]; y <= hi[1]; ++y) {
            for (int x = lo[0]; x <= hi[0]; ++x) {
                const GArrayCollection* list = m_Cells[CellOf(x, y, z)];
                if (list == nullptr) continue;
                for (int e = 0; e < list->size(); ++e) {
                    auto* entry = static_cast<G3Obj*>(list->get(e));
                    if (entry->GetMark()) continue;
                    entry->SetMark();
                    out->add(entry);
                }
            }
        }
    }
}

// Walks the clipped segment in steps no longer than one cell width on the axis where it
// runs furthest, collecting the whole index block between consecutive samples: every cell
// the segment passes through lies in one of those blocks, because each index is monotone
// along a straight segment.
void G3Grid::GetFacetByLine(const double* p, const double* q, GArrayCollection* out) {
    if (p == nullptr || q == nullptr || out == nullptr) return;
    if (!IsFinite3(p) || !IsFinite3(q)) return;
    double a[3] = {p[0], p[1], p[2]};
    double b[3] = {q[0], q[1], q[2]};
    if (!Clip(a, b)) return;

    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    double longest = 0.0;  // in cell widths
    for (int axis = 0; axis < 3; ++axis) {
        const double cells = std::fabs(d[axis]) / m_Width[axis];
        if (cells > longest) longest = cells;
    }
    // Inside the box the segment spans at most n cells per axis; the cap guards degenerate
    // widths.
    const int steps = 1 + (longest < m_N ? static_cast<int>(longest) : m_N);

    const int first = out->size();
    int from[3], to[3];
    GetIndexes(a, &from[0], &from[1], &from[2]);
    for (int s = 1; s <= steps; ++s) {
        const double t = static_cast<double>(s) / steps;
        const double point[3] = {a[0] + t * d[0], a[1] + t * d[1], a[2] + t * d[2]};
        GetIndexes(point, &to[0], &to[1], &to[2]);
        OutFacets(from[0], to[0], from[1], to[1], from[2], to[2], out);
        std::copy(to, to + 3, from);
    }
    for (int e = first; e < out->size(); ++e) static_cast<G3Obj*>(out->get(e))->ClearMark();
}

void G3Grid::GetFacetsByFacet(G3Facet* f, const GEnvelope* env, GArrayCollection* out) {
    if (out == nullptr) return;
    out->clear();
    GEnvelope own;
    if (env == nullptr) {
        if (f == nullptr) return;
        env = f->FormEnvelope(&own);
    }
    int i[2], j[2], k[2];
    GetIndexes(env, i, j, k);
    for (int z = k[0]; z <= k[1]; ++z) {
        for (int y = j[0]; y <= j[1]; ++y) {
            for (int x = i[0]; x <= i[1]; ++x) {
                const GArrayCollection* list = m_Cells[CellOf(x, y, z)];
                if (list == nullptr) continue;
                for (int e = 0; e < list->size(); ++e) {
                    auto* entry = static_cast<G3Obj*>(list->get(e));
                    // Cells may hold other entities added through Add; only facets count.
                    if (entry->GetMark() || entry->GetObjectType() != 4) continue;
                    auto* facet = static_cast<G3Facet*>(entry);
                    if (!facet->HasEdges()) continue;
                    facet->SetMark();
                    out->add(facet);
                }
            }
        }
    }
    for (int e = 0; e < out->size(); ++e) static_cast<G3Obj*>(out->get(e))->ClearMark();
}

int G3Grid::WCode(const double* p) const {
    const double* lo = m_Box.GetMin();
    const double* hi = m_Box.GetMax();
    int code = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (p[axis] < lo[axis]) code |= 1 << (2 * axis);
        if (p[axis] > hi[axis]) code |= 2 << (2 * axis);
    }
    return code;
}

bool G3Grid::Clip(double* p, double* q) const {
    if (p == nullptr || q == nullptr) return false;
    return m_Box.ClipTest(p, q) == 0;
}
