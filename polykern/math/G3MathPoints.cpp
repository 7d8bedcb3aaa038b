// The G3Math functions over point sequences.

#include <cmath>
#include <vector>

#include "polykern/foundation/GIterator.h"
#include "polykern/math/G3Math.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GVector3.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace {

const double* NextXYZ(GIterator* it) {
    return static_cast<G3Point*>(it->next())->GetXYZ();
}

std::vector<const double*> Collect(GIterator* points) {
    std::vector<const double*> out;
    while (points != nullptr && points->hasNext()) out.push_back(NextXYZ(points));
    return out;
}

double Length3(const double* v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void ZeroPlane(double* plane) {
    plane[0] = plane[1] = plane[2] = plane[3] = 0.0;
}

// Newell's normal term of corner `cur` between its neighbours, about the first point.
void AddNewellTerm(
    const double* p0, const double* prev, const double* cur, const double* next, double* n) {
    n[0] += (cur[2] - p0[2]) * (prev[1] - next[1]);
    n[1] += (cur[0] - p0[0]) * (prev[2] - next[2]);
    n[2] += (cur[1] - p0[1]) * (prev[0] - next[0]);
}

}  // namespace

void G3Math::CalcSquare(GIterator* points, double* out) {
    out[0] = out[1] = out[2] = 0.0;
    if (points == nullptr || !points->hasNext()) return;
    const double* first = NextXYZ(points);
    const double* a = first;
    bool done = false;
    while (!done) {
        const double* b;
        if (points->hasNext()) {
            b = NextXYZ(points);
        } else {
            b = first;
            done = true;
        }
        out[0] += (a[1] - b[1]) * (a[2] + b[2]);
        out[1] += (a[2] - b[2]) * (a[0] + b[0]);
        out[2] += (a[0] - b[0]) * (a[1] + b[1]);
        a = b;
    }
}

bool G3Math::PointInTriangle(
    const G3Vertex* p, const G3Vertex* a, const G3Vertex* b, const G3Vertex* c, int i, int j) {
    return PointInTriangle(p->GetXYZ(), a->GetXYZ(), b->GetXYZ(), c->GetXYZ(), i, j);
}

double G3Math::CalcAngle(const G3Vertex* a, const G3Vertex* b, double base, int i, int j) {
    return CalcAngle(a->GetXYZ(), b->GetXYZ(), base, i, j);
}

bool G3Math::FormEnvelope(GIterator* points, GEnvelope* env) {
    if (points == nullptr || !points->hasNext()) {
        env->Init();
        return false;
    }
    env->Init(NextXYZ(points));
    while (points->hasNext()) env->Add(NextXYZ(points));
    return true;
}

// Streams the ring keeping a window of three points, so no copy is made.
namespace {

// The Newell plane of a ring read from `src` (HasNext / Next giving coordinates), about
// its first point. Both forms of FormPlaneEquation run this one body, so they agree bit
// for bit.
template <class Source>
bool NewellPlane(Source& src, double* plane) {
    ZeroPlane(plane);
    if (!src.HasNext()) return false;
    const double* p0 = src.Next();
    if (!src.HasNext()) return false;
    const double* prev = p0;
    const double* cur = src.Next();
    double n[3] = {0.0, 0.0, 0.0};
    double sum[3] = {p0[0] + cur[0], p0[1] + cur[1], p0[2] + cur[2]};
    int count = 2;
    while (src.HasNext()) {
        const double* next = src.Next();
        AddNewellTerm(p0, prev, cur, next, n);
        for (int k = 0; k < 3; ++k) sum[k] += next[k];
        ++count;
        prev = cur;
        cur = next;
    }
    if (count < 3) return false;
    AddNewellTerm(p0, prev, cur, p0, n);  // the last point closes the ring
    const double len = Length3(n);
    if (!(len >= 1e-12)) return false;
    for (int k = 0; k < 3; ++k) plane[k] = n[k] / len;
    plane[3] = -(plane[0] * sum[0] + plane[1] * sum[1] + plane[2] * sum[2]) / count;
    return true;
}

struct IteratorSource {
    GIterator* it;
    bool HasNext() { return it->hasNext(); }
    const double* Next() { return NextXYZ(it); }
};

struct ArraySource {
    int n;
    const double* const* points;
    int at = 0;
    bool HasNext() const { return at < n; }
    const double* Next() { return points[at++]; }
};

}  // namespace

bool G3Math::FormPlaneEquation(GIterator* points, double* plane) {
    if (points == nullptr) {
        ZeroPlane(plane);
        return false;
    }
    IteratorSource src{points};
    return NewellPlane(src, plane);
}

bool G3Math::FormPlaneEquation(int n, const double* const* points, double* plane) {
    if (points == nullptr || n < 0) {
        ZeroPlane(plane);
        return false;
    }
    ArraySource src{n, points};
    return NewellPlane(src, plane);
}

bool G3Math::FormMaxPlane(GIterator* points, double* plane) {
    ZeroPlane(plane);
    if (points == nullptr || !points->hasNext()) return false;
    const double* p0 = NextXYZ(points);
    if (!points->hasNext()) return false;
    const double* prev = NextXYZ(points);
    double best = 0.0;
    double bestPlane[4] = {0.0, 0.0, 0.0, 0.0};
    while (points->hasNext()) {
        const double* cur = NextXYZ(points);
        double triangle[4];
        const double area = G3Facet::CalcRealSquareOfTriangle(p0, prev, cur, triangle);
        if (area > best) {
            best = area;
            for (int c = 0; c < 4; ++c) bestPlane[c] = triangle[c];
        }
        prev = cur;
    }
    if (!(best >= 1e-12)) return false;
    for (int c = 0; c < 4; ++c) plane[c] = bestPlane[c];
    return true;
}

namespace {

// A plane through the longest edge of a ring whose corners all failed to fit: the
// normal is the cross product of the edge ends' position vectors.
bool PlaneOfLongestEdge(const std::vector<const double*>& p, int* i, int* j, double* plane) {
    std::size_t best = 0;
    double bestLen = -1.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        const double* a = p[k];
        const double* b = p[(k + 1) % p.size()];
        const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double len = Length3(d);
        if (len > bestLen) {
            bestLen = len;
            best = k;
        }
    }
    double n[3] = {0.0, 0.0, 1.0};
    if (bestLen >= 1e-6) {
        double cross[3];
        V3OrtoVector(p[best], p[(best + 1) % p.size()], cross);
        const double len = Length3(cross);
        // Collinear points on a line through the origin give no direction: keep (0, 0, 1).
        if (len > 0.0 && std::isfinite(len)) {
            for (int k = 0; k < 3; ++k) n[k] = cross[k] / len;
        }
    }
    for (int k = 0; k < 3; ++k) plane[k] = n[k];
    plane[3] = -(p[best][0] * n[0] + p[best][1] * n[1] + p[best][2] * n[2]);
    G3Math::GetMaxCoo(n, i, j);
    return false;
}

// Iterates the three points of a corner; each keeps its own storage, since readers
// hold on to earlier points while they walk.
class TripleIterator : public GIterator {
public:
    explicit TripleIterator(const double* const* corner) {
        for (int k = 0; k < 3; ++k) m_Points[k].Set(corner[k]);
    }
    bool hasNext() override { return m_Next < 3; }
    GObj* next() override { return &m_Points[m_Next++]; }

private:
    G3Point m_Points[3];
    int m_Next = 0;
};

}  // namespace

bool G3Math::FormMaxPlaneCoo(GIterator* points, int* i, int* j, double* plane) {
    const std::vector<const double*> p = Collect(points);
    const std::size_t n = p.size();
    if (n < 2) {
        *i = 0;
        *j = 1;
        plane[0] = plane[1] = 0.0;
        plane[2] = 1.0;
        plane[3] = n == 1 ? -p[0][2] : 0.0;
        return false;
    }
    if (n == 2) return PlaneOfLongestEdge(p, i, j, plane);

    double acc[4] = {0.0, 0.0, 0.0, 0.0};
    int fitted = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double* corner[3] = {p[(k + n - 1) % n], p[k], p[(k + 1) % n]};
        TripleIterator triple(corner);
        double tri[4];
        if (!FormPlaneEquation(&triple, tri)) continue;
        const double dot = acc[0] * tri[0] + acc[1] * tri[1] + acc[2] * tri[2];
        const double sign = dot < 0.0 ? -1.0 : 1.0;
        for (int c = 0; c < 4; ++c) acc[c] += sign * tri[c];
        ++fitted;
    }
    if (fitted == 0) return PlaneOfLongestEdge(p, i, j, plane);
    const double len = Length3(acc);
    for (int c = 0; c < 3; ++c) plane[c] = len > 0.0 ? acc[c] / len : 0.0;
    // Averaged over the corners that fitted: a collinear corner must not pull d to 0.
    plane[3] = acc[3] / fitted;
    GetMaxCoo(plane, i, j);
    return true;
}

namespace {

// Records the turn of one corner in the (i, j) plane; turns below 1e-6 do not count.
void RecordTurn(
    const double* a, const double* b, const double* c, int i, int j, bool* left, bool* right) {
    const double turn = G3Math::CalcSquare(a[i], a[j], b[i], b[j], c[i], c[j]);
    if (!(std::fabs(turn) >= 1e-6)) return;
    if (turn >= 0.0) {
        *left = true;
    } else {
        *right = true;
    }
}

}  // namespace

int G3Math::ConvexTest(GIterator* points, int i, int j) {
    if (points == nullptr || !points->hasNext()) return 0;
    const double* p0 = NextXYZ(points);
    if (!points->hasNext()) return 0;
    const double* p1 = NextXYZ(points);
    bool left = false, right = false;
    const double* prev = p0;
    const double* cur = p1;
    while (points->hasNext()) {
        const double* next = NextXYZ(points);
        RecordTurn(prev, cur, next, i, j, &left, &right);
        prev = cur;
        cur = next;
    }
    // The corners at the last point and at the first close the ring.
    RecordTurn(prev, cur, p0, i, j, &left, &right);
    RecordTurn(cur, p0, p1, i, j, &left, &right);
    return left && right ? 2 : (left || right ? 1 : 0);
}
