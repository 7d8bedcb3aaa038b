// The roof generator's outline handling: reading the input into a clean clockwise loop,
// the roof plane of every edge, and the list of distinct roof planes.

#include "polykern/roof/G3RoofGenerator.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/roof/G3RoofPitch.h"
#include "polykern/roof/G3RoofVertex.h"

namespace {

constexpr double kTol = 1e-7;
constexpr double kVertical = 1.5707962267948965;
constexpr double kVerticalMax = 1.5707964267948966;

double Cross2(const double* o, const double* a, const double* b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// The distance in plan from p to the segment ab.
double DistToSegment(const double* p, const double* a, const double* b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = p[0] - a[0] - t * dx, ey = p[1] - a[1] - t * dy;
    return std::sqrt(ex * ex + ey * ey);
}

// True when the plan segments ab and cd cross or come within kTol of each other.
bool SegmentsMeet(const double* a, const double* b, const double* c, const double* d) {
    if (std::max(a[0], b[0]) + kTol < std::min(c[0], d[0]) ||
        std::max(c[0], d[0]) + kTol < std::min(a[0], b[0]) ||
        std::max(a[1], b[1]) + kTol < std::min(c[1], d[1]) ||
        std::max(c[1], d[1]) + kTol < std::min(a[1], b[1])) {
        return false;
    }
    const double d1 = Cross2(a, b, c), d2 = Cross2(a, b, d);
    const double d3 = Cross2(c, d, a), d4 = Cross2(c, d, b);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
        return true;
    }
    return DistToSegment(c, a, b) < kTol || DistToSegment(d, a, b) < kTol ||
           DistToSegment(a, c, d) < kTol || DistToSegment(b, c, d) < kTol;
}

// True when two edges of the loop that are not neighbours meet, or neighbours overlap.
// Edges are binned in a uniform grid so that only edges sharing a cell are compared.
bool CrossesItself(const std::vector<const double*>& p) {
    const int n = static_cast<int>(p.size());
    double box[4] = {p[0][0], p[0][1], p[0][0], p[0][1]};
    for (const double* q : p) {
        box[0] = std::min(box[0], q[0]);
        box[1] = std::min(box[1], q[1]);
        box[2] = std::max(box[2], q[0]);
        box[3] = std::max(box[3], q[1]);
    }
    const int cells = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
    const double w = std::max(box[2] - box[0], box[3] - box[1]) / cells + 4 * kTol;
    std::vector<std::vector<int>> grid(static_cast<std::size_t>(cells) * cells);
    auto cell = [&](double v, double lo) {
        return std::clamp(static_cast<int>((v - lo) / w), 0, cells - 1);
    };
    for (int i = 0; i < n; ++i) {
        const double* a = p[i];
        const double* b = p[(i + 1) % n];
        const int x0 = cell(std::min(a[0], b[0]) - kTol, box[0]);
        const int x1 = cell(std::max(a[0], b[0]) + kTol, box[0]);
        const int y0 = cell(std::min(a[1], b[1]) - kTol, box[1]);
        const int y1 = cell(std::max(a[1], b[1]) + kTol, box[1]);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x)
                grid[static_cast<std::size_t>(y) * cells + x].push_back(i);
        }
    }
    for (std::size_t at = 0; at < grid.size(); ++at) {
        const auto& c = grid[at];
        for (std::size_t s = 0; s < c.size(); ++s) {
            for (std::size_t t = s + 1; t < c.size(); ++t) {
                const int i = std::min(c[s], c[t]), j = std::max(c[s], c[t]);
                const double *a = p[i], *b = p[(i + 1) % n], *q = p[j], *r = p[(j + 1) % n];
                // Each pair once: in the cell holding the low corner of their boxes' overlap.
                const double lx = std::max(std::min(a[0], b[0]), std::min(q[0], r[0])) - kTol;
                const double ly = std::max(std::min(a[1], b[1]), std::min(q[1], r[1])) - kTol;
                if (static_cast<std::size_t>(cell(ly, box[1])) * cells + cell(lx, box[0]) != at) {
                    continue;
                }
                if (j == i + 1 || (i == 0 && j == n - 1)) {
                    // Neighbours share one corner; they must not fold back onto each other.
                    const double* shared = j == i + 1 ? b : a;
                    const double* u = j == i + 1 ? a : b;
                    const double* v = j == i + 1 ? r : q;
                    const double du[2] = {u[0] - shared[0], u[1] - shared[1]};
                    const double dv[2] = {v[0] - shared[0], v[1] - shared[1]};
                    const double cr = du[0] * dv[1] - du[1] * dv[0];
                    const double dot = du[0] * dv[0] + du[1] * dv[1];
                    if (std::fabs(cr) < kTol * std::hypot(du[0], du[1]) && dot > 0.0) return true;
                    continue;
                }
                if (SegmentsMeet(a, b, q, r)) return true;
            }
        }
    }
    return false;
}

G3Point* PointAt(GArrayCollection* c, int i) {
    return dynamic_cast<G3Point*>(c->get(i));
}

}  // namespace

G3RoofGenerator::G3RoofGenerator(G3Surface* roofSurface,
                                 double first,
                                 double thickness,
                                 double overhang)
    : m_First(first),
      m_Thickness(thickness),
      m_Overhang(overhang),
      m_Outlines(new GArrayCollection()),
      m_Pitches(new GArrayCollection()),
      m_RoofSurface(roofSurface) {}

G3RoofGenerator::~G3RoofGenerator() {
    DeleteRoofVertices();
    delete m_Outlines;
    delete m_Pitches;
}

int G3RoofGenerator::GetFacetIndex(G3Obj* facet) {
    return G3RoofTagProvider::TagOf(facet).section;
}

int G3RoofGenerator::GetFacetType(G3Obj* facet) {
    return G3RoofTagProvider::TagOf(facet).type;
}

int G3RoofGenerator::GetPitchCount() const {
    return m_Pitches->size();
}

G3RoofPitch* G3RoofGenerator::GetPitch(int i) const {
    if (i < 0 || i >= m_Pitches->size()) return nullptr;
    return static_cast<G3RoofPitch*>(m_Pitches->get(i));
}

int G3RoofGenerator::GetOutlineCount() const {
    return m_Outlines->size();
}

void G3RoofGenerator::DeleteRoofVertices() {
    for (int i = 0; i < m_Outlines->size(); ++i) {
        G3RoofVertex::DeleteLoop(static_cast<G3RoofVertex*>(m_Outlines->get(i)));
    }
    m_Outlines->clear();
    for (int i = 0; i < m_Pitches->size(); ++i) delete GetPitch(i);
    m_Pitches->clear();
    m_OverhangOutline = nullptr;
}

int G3RoofGenerator::GetClockWiseDirection(G3RoofVertex* first) {
    const double a = G3RoofVertex::SignedArea2(first);
    if (a < -kTol) return 1;
    if (a > kTol) return -1;
    return 0;
}

int G3RoofGenerator::GetClockWiseDirection(GArrayCollection* points) {
    if (points == nullptr || points->size() < 3) return 0;
    const int n = points->size();
    if (PointAt(points, 0) == nullptr) return 0;
    const double ox = PointAt(points, 0)->GetX(), oy = PointAt(points, 0)->GetY();
    double a = 0.0;
    for (int i = 0; i < n; ++i) {
        const G3Point* p = PointAt(points, i);
        const G3Point* q = PointAt(points, (i + 1) % n);
        if (p == nullptr || q == nullptr) return 0;
        a += (p->GetX() - ox) * (q->GetY() - oy) - (q->GetX() - ox) * (p->GetY() - oy);
    }
    if (a < -kTol) return 1;
    if (a > kTol) return -1;
    return 0;
}

void G3RoofGenerator::DeleteUselessVertices(G3RoofVertex* first, G3RoofVertex** firstOut) {
    if (firstOut != nullptr) *firstOut = nullptr;
    if (first == nullptr) return;
    int count = G3RoofVertex::CountLoop(first);
    G3RoofVertex* v = first;
    int unchanged = 0;
    // Walk until a whole round removes nothing.
    while (count >= 3 && unchanged < count) {
        G3RoofVertex* p = v->GetPrev();
        G3RoofVertex* n = v->GetNext();
        const double* a = p->GetXYZ();
        const double* b = v->GetXYZ();
        const double* c = n->GetXYZ();
        const double len = std::hypot(c[0] - a[0], c[1] - a[1]);
        const bool same = std::hypot(b[0] - a[0], b[1] - a[1]) < kTol;
        // Off the line of its neighbours by less than the tolerance; a spike counts too.
        const bool onLine = len < kTol ? true : std::fabs(Cross2(a, b, c)) / len < kTol;
        const bool between = (b[0] - a[0]) * (c[0] - b[0]) + (b[1] - a[1]) * (c[1] - b[1]) >= 0;
        // A straight corner stays where the wall's pitch changes.
        const bool keepPitch = between && std::fabs(v->GetPitch() - n->GetPitch()) > kTol;
        if (same || (onLine && !keepPitch)) {
            G3RoofVertex* next = n;
            if (v == first) first = next;
            v->Unlink();
            delete v;
            --count;
            v = next;
            unchanged = 0;
            continue;
        }
        v = n;
        ++unchanged;
    }
    if (count < 3) {
        G3RoofVertex::DeleteLoop(first);
        return;
    }
    if (firstOut != nullptr) *firstOut = first;
}

bool G3RoofGenerator::PrepareContour(GArrayCollection* points,
                                     GArrayCollection* pitches,
                                     G3RoofVertex** first) {
    if (first != nullptr) *first = nullptr;
    if (points == nullptr || pitches == nullptr || first == nullptr) return false;
    const int n = points->size();
    if (n < 3 || pitches->size() != n) return false;
    std::vector<double> angle(n);
    for (int i = 0; i < n; ++i) {
        const G3Point* p = PointAt(points, i);
        const auto* a = dynamic_cast<const G3RoofAngle*>(pitches->get(i));
        if (p == nullptr || a == nullptr) return false;
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p->GetXYZ(k))) return false;
        }
        if (std::fabs(p->GetZ() - PointAt(points, 0)->GetZ()) > kTol) return false;
        angle[i] = a->GetAngle();
        if (!std::isfinite(angle[i]) || angle[i] < kTol || angle[i] > kVerticalMax) return false;
    }
    const int dir = GetClockWiseDirection(points);
    if (dir == 0) return false;
    // A vertex's pitch is that of the edge arriving at it in the clockwise loop.
    G3RoofVertex* head = nullptr;
    for (int i = 0; i < n; ++i) {
        const double pitch = dir > 0 ? angle[(i + n - 1) % n] : angle[i];
        const int section = dir > 0 ? (i + n - 1) % n : i;
        auto* v = new G3RoofVertex(PointAt(points, i)->GetXYZ(), pitch, section);
        if (head == nullptr) {
            head = v;
        } else {
            head->GetPrev()->InsertAfter(v);
        }
    }
    if (dir < 0) G3RoofVertex::ReverseLoop(head);
    G3RoofVertex* clean = nullptr;
    DeleteUselessVertices(head, &clean);
    if (clean == nullptr) return false;
    std::vector<const double*> corners;
    const G3RoofVertex* v = clean;
    do {
        corners.push_back(v->GetXYZ());
        v = v->GetNext();
    } while (v != clean);
    if (CrossesItself(corners) || GetClockWiseDirection(clean) != 1) {
        G3RoofVertex::DeleteLoop(clean);
        return false;
    }
    m_Outlines->add(clean);
    *first = clean;
    return true;
}

// The roof plane of every edge: through the edge, rising by tan(pitch) per unit of
// horizontal distance into the building (to the right of a clockwise loop); vertical for
// a gable.
bool G3RoofGenerator::ComputePlanes(G3RoofVertex* outline) const {
    if (outline == nullptr) return false;
    G3RoofVertex* v = outline;
    do {
        const double* p = v->GetPrev()->GetXYZ();
        const double* q = v->GetXYZ();
        const double len = std::hypot(q[0] - p[0], q[1] - p[1]);
        if (!(len > kTol)) return false;
        const double w[2] = {(q[1] - p[1]) / len, -(q[0] - p[0]) / len};
        double plane[4];
        if (v->GetPitch() > kVertical) {
            plane[0] = w[0];
            plane[1] = w[1];
            plane[2] = 0.0;
        } else {
            const double s = std::sin(v->GetPitch()), c = std::cos(v->GetPitch());
            plane[0] = s * w[0];
            plane[1] = s * w[1];
            plane[2] = -c;
        }
        plane[3] = -(plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2]);
        v->SetPlane(plane);
        v = v->GetNext();
    } while (v != outline);
    return true;
}

bool G3RoofGenerator::FirstLevelInitialization(G3RoofVertex* outline) {
    if (!ComputePlanes(outline)) return false;
    G3RoofVertex* v = outline;
    do {
        const int found = GetPitchIndex(v->GetPlane());
        v->SetPlaneIndex(found < 0 ? MakeDefaultPitch(v) : AddToExistPitch(v, found));
        v = v->GetNext();
    } while (v != outline);
    return true;
}

int G3RoofGenerator::GetPitchIndex(const double* plane) const {
    if (plane == nullptr) return -1;
    for (int i = 0; i < m_Pitches->size(); ++i) {
        const double* q = GetPitch(i)->GetPlane();
        if (std::fabs(q[0] - plane[0]) < kTol && std::fabs(q[1] - plane[1]) < kTol &&
            std::fabs(q[2] - plane[2]) < kTol &&
            std::fabs(q[3] - plane[3]) < kTol * std::max(1.0, 1e-3 * std::fabs(q[3]))) {
            return i;
        }
    }
    return -1;
}

int G3RoofGenerator::MakeDefaultPitch(G3RoofVertex* v) {
    if (v == nullptr) return -1;
    m_Pitches->add(new G3RoofPitch(v->GetPlane(), v->GetPitch()));
    return m_Pitches->size() - 1;
}

int G3RoofGenerator::AddToExistPitch(G3RoofVertex* v, int index) {
    if (v == nullptr || GetPitch(index) == nullptr) return -1;
    return index;
}

int G3RoofGenerator::StepPitch(const double* plane, int section) {
    (void)section;
    const int found = GetPitchIndex(plane);
    if (found >= 0) return found;
    m_Pitches->add(new G3RoofPitch(plane, M_PI / 2));
    return m_Pitches->size() - 1;
}

bool G3RoofGenerator::Regen(GArrayCollection* points, GArrayCollection* pitches) {
    DeleteRoofVertices();
    G3RoofVertex* outline = nullptr;
    if (!PrepareContour(points, pitches, &outline)) return false;
    if (m_Overhang > kTol) {
        outline = MakeOverhangContour(outline);
        if (outline == nullptr) return false;
    }
    if (!FirstLevelInitialization(outline)) return false;
    return MakeRoof(outline, nullptr);
}
