#include "polykern/terrain/G3LandscapeHandler.h"

#include <cmath>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3TerrainPlan.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TVertex.h"

namespace {

using pkterrain::PlanPoint;
using pkterrain::Ring;

// Below this twice-area an outline encloses nothing.
constexpr double kNoArea = 1e-12;

void ReleaseContour(GArrayCollection* c) {
    if (c == nullptr) return;
    for (int i = 0; i < c->size(); ++i) delete static_cast<G3Point*>(c->get(i));
    delete c;
}

// Whether any two sides of the closed outline that are not neighbours meet.
bool CrossesItself(const Ring& ring) {
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // the closing side neighbours the first
            if (pkterrain::SegmentsMeet(ring[i], ring[(i + 1) % n], ring[j], ring[(j + 1) % n]))
                return true;
        }
    }
    return false;
}

// The side a→b moved by d along its left normal; false for a side without length.
bool MovedSide(const PlanPoint& a, const PlanPoint& b, double d, PlanPoint* p, PlanPoint* q) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (!(len > 1e-12)) return false;
    const double nx = -dy / len * d, ny = dx / len * d;
    *p = {a.x + nx, a.y + ny, a.z};
    *q = {b.x + nx, b.y + ny, b.z};
    return true;
}

// Where the lines p1q1 and p2q2 meet in plan; false when they are parallel.
bool LinesMeet(const PlanPoint& p1,
               const PlanPoint& q1,
               const PlanPoint& p2,
               const PlanPoint& q2,
               double* x,
               double* y) {
    const double ax = q1.x - p1.x, ay = q1.y - p1.y;
    const double bx = q2.x - p2.x, by = q2.y - p2.y;
    const double det = ax * by - ay * bx;
    const double scale = std::hypot(ax, ay) * std::hypot(bx, by);
    if (!(std::fabs(det) > 1e-12 * scale)) return false;
    const double t = ((p2.x - p1.x) * by - (p2.y - p1.y) * bx) / det;
    *x = p1.x + t * ax;
    *y = p1.y + t * ay;
    return std::isfinite(*x) && std::isfinite(*y);
}

}  // namespace

G3LandscapeHandler::G3LandscapeHandler() : m_Contours(new GArrayCollection()) {}

G3LandscapeHandler::~G3LandscapeHandler() {
    ClearContours();
    delete m_Contours;
    ReleaseContour(m_CurrentContour);
}

void G3LandscapeHandler::ClearContours() {
    for (int i = 0; i < m_Contours->size(); ++i)
        ReleaseContour(static_cast<GArrayCollection*>(m_Contours->get(i)));
    m_Contours->clear();
}

int G3LandscapeHandler::GetContourCount() const {
    return m_Contours->size();
}

void G3LandscapeHandler::StartContour() {
    ReleaseContour(m_CurrentContour);
    m_CurrentContour = new GArrayCollection();
}

void G3LandscapeHandler::AddContourVertex(double x, double y, double z) {
    if (m_CurrentContour == nullptr || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return;
    const double p[3] = {x, y, z};
    auto* last = static_cast<G3Point*>(m_CurrentContour->getLast());
    if (last != nullptr && last->Equals(p)) return;
    m_CurrentContour->add(new G3Point(p, 0));
}

// The outline is stored clockwise and without a closing copy of its first point, so that
// every later use closes it the same way.
bool G3LandscapeHandler::EndContour() {
    GArrayCollection* c = m_CurrentContour;
    m_CurrentContour = nullptr;
    if (c == nullptr) return false;
    if (c->size() > 1) {
        auto* first = static_cast<G3Point*>(c->getFirst());
        auto* last = static_cast<G3Point*>(c->getLast());
        if (first->Equals(last->GetXYZ())) {
            delete last;
            c->removeLast();
        }
    }
    const Ring ring = pkterrain::RingOf(c);
    const double area = ring.size() >= 3 ? pkterrain::TwiceSignedArea(ring) : 0.0;
    if (ring.size() < 3 || !(std::fabs(area) > kNoArea) || CrossesItself(ring)) {
        ReleaseContour(c);
        return false;
    }
    if (area > 0.0) {
        const int n = c->size();
        for (int i = 0; i < n / 2; ++i) {
            GObj* a = c->get(i);
            c->put(i, c->get(n - 1 - i));
            c->put(n - 1 - i, a);
        }
    }
    m_Contours->add(c);
    return true;
}

bool G3LandscapeHandler::PointInContour(GArrayCollection* contours, double x, double y) {
    if (contours == nullptr) return false;
    for (int i = 0; i < contours->size(); ++i) {
        const Ring ring = pkterrain::RingOf(static_cast<GArrayCollection*>(contours->get(i)));
        if (ring.size() >= 3 && pkterrain::InRing(ring, x, y)) return true;
    }
    return false;
}

// Each corner of the closed outline becomes the meeting point of its two moved sides; a
// side without length is skipped, so repeated points do not break the outline.
bool G3LandscapeHandler::OffsetContour(GArrayCollection* contour,
                                       GArrayCollection* result,
                                       double distance) {
    if (contour == nullptr || result == nullptr || !std::isfinite(distance)) return false;
    Ring ring;
    for (const PlanPoint& p : pkterrain::RingOf(contour)) {
        if (!ring.empty() && std::hypot(p.x - ring.back().x, p.y - ring.back().y) <= 1e-12)
            continue;
        ring.push_back(p);
    }
    while (ring.size() > 1 &&
           std::hypot(ring.front().x - ring.back().x, ring.front().y - ring.back().y) <= 1e-12)
        ring.pop_back();
    const std::size_t n = ring.size();
    if (n < 3) return true;
    const int before = result->size();
    for (std::size_t i = 0; i < n; ++i) {
        const PlanPoint& a = ring[i];
        const PlanPoint& b = ring[(i + 1) % n];
        const PlanPoint& c = ring[(i + 2) % n];
        PlanPoint p1, q1, p2, q2;
        double x, y;
        if (!MovedSide(a, b, distance, &p1, &q1) || !MovedSide(b, c, distance, &p2, &q2) ||
            !LinesMeet(p1, q1, p2, q2, &x, &y))
            continue;
        result->add(new G3Point(x, y, b.z, 0));
    }
    if (result->size() > before)
        result->add(static_cast<G3Point*>(result->get(before))->Duplicate());
    return true;
}

void G3LandscapeHandler::CopyExtData() {
    G3TMesh* mesh = GetMesh();
    for (int i = 0; i < mesh->GetVertexCount(); ++i) {
        G3TVertex* v = mesh->GetVertex(i);
        if (v->output == nullptr || v->exData == nullptr) continue;
        if (v->output->GetExData() == nullptr) v->output->SetExData(static_cast<GObj*>(v->exData));
    }
}
