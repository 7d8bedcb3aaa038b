// Outlines moved outwards: the overhang (the eaves dropped below the wall heads, on the
// same roof planes) and the plain offset of every edge.

#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofVertex.h"

namespace {

constexpr double kTol = 1e-7;
constexpr double kVertical = 1.5707962267948965;
constexpr double kParallel = 1e-10;

// An edge's line moved outwards: through a + out·n·(−shift) with direction d; n is the
// inward normal.
struct Line {
    double a[2], d[2], n[2];
};

bool EdgeLine(const G3RoofVertex* v, double shift, Line* line) {
    const double* p = v->GetPrev()->GetXYZ();
    const double* q = v->GetXYZ();
    const double len = std::hypot(q[0] - p[0], q[1] - p[1]);
    if (!(len > kTol)) return false;
    line->d[0] = (q[0] - p[0]) / len;
    line->d[1] = (q[1] - p[1]) / len;
    line->n[0] = line->d[1];
    line->n[1] = -line->d[0];
    line->a[0] = p[0] - line->n[0] * shift;
    line->a[1] = p[1] - line->n[1] * shift;
    return true;
}

// Where two lines cross; false when they are parallel.
bool Meet(const Line& l, const Line& m, double* out) {
    const double det = l.d[0] * m.d[1] - l.d[1] * m.d[0];
    if (std::fabs(det) < kParallel) return false;
    const double rx = m.a[0] - l.a[0], ry = m.a[1] - l.a[1];
    const double t = (rx * m.d[1] - ry * m.d[0]) / det;
    out[0] = l.a[0] + t * l.d[0];
    out[1] = l.a[1] + t * l.d[1];
    return true;
}

double Reach(const G3RoofVertex* v, double overhang) {
    return v->GetPitch() > kVertical ? 0.0 : overhang / std::tan(v->GetPitch());
}

void Append(G3RoofVertex** head, G3RoofVertex* v) {
    if (*head == nullptr) {
        *head = v;
    } else {
        (*head)->GetPrev()->InsertAfter(v);
    }
}

}  // namespace

// Each corner of the new outline is where the roof planes of its two edges cut the height
// −overhang; in plan, where the two edges moved outwards by overhang / tan(pitch) cross.
// At a straight corner where the pitch changes the two planes share only the wall line,
// so the eaves of the two edges are joined by a short step at right angles to the wall.
G3RoofVertex* G3RoofGenerator::MakeOverhangContour(G3RoofVertex* outline) {
    if (outline == nullptr || !std::isfinite(m_Overhang)) return nullptr;
    if (!ComputePlanes(outline)) return nullptr;
    const double o = m_Overhang;
    G3RoofVertex* head = nullptr;
    const G3RoofVertex* v = outline;
    do {
        const G3RoofVertex* w = v->GetNext();
        Line in{}, out{};
        if (!EdgeLine(v, Reach(v, o), &in) || !EdgeLine(w, Reach(w, o), &out)) {
            G3RoofVertex::DeleteLoop(head);
            return nullptr;
        }
        double p[3] = {0.0, 0.0, v->GetZ() - o};
        if (Meet(in, out, p)) {
            auto* c = new G3RoofVertex(v);
            c->SetXYZ(p);
            Append(&head, c);
        } else if (in.d[0] * out.d[0] + in.d[1] * out.d[1] > 0.0) {
            const double* q = v->GetXYZ();
            auto* a = new G3RoofVertex(v);
            const double pa[3] = {q[0] - in.n[0] * Reach(v, o), q[1] - in.n[1] * Reach(v, o), p[2]};
            a->SetXYZ(pa);
            Append(&head, a);
            const double pb[3] = {q[0] - in.n[0] * Reach(w, o), q[1] - in.n[1] * Reach(w, o), p[2]};
            if (std::hypot(pb[0] - pa[0], pb[1] - pa[1]) > kTol) {
                // The step is a short gable wall of its own.
                auto* b = new G3RoofVertex(v);
                b->SetXYZ(pb);
                b->SetPitch(M_PI / 2);
                b->SetPlaneIndex(-1);
                Append(&head, b);
            }
        } else {
            G3RoofVertex::DeleteLoop(head);
            return nullptr;
        }
        v = w;
    } while (v != outline);
    m_Outlines->add(head);
    m_OverhangOutline = head;
    return head;
}

bool G3RoofGenerator::Offset(G3RoofVertex* outline,
                             double angle,
                             double distance,
                             G3RoofVertex** result) {
    if (result != nullptr) *result = nullptr;
    if (outline == nullptr || result == nullptr || !std::isfinite(distance)) return false;
    const bool sloped = std::fabs(angle) > kTol;
    const double dz = sloped ? -distance * std::tan(angle) : distance;
    G3RoofVertex* head = nullptr;
    const G3RoofVertex* v = outline;
    do {
        const G3RoofVertex* w = v->GetNext();
        Line in{}, out{};
        double p[3] = {0.0, 0.0, v->GetZ() + dz};
        if (!EdgeLine(v, distance, &in) || !EdgeLine(w, distance, &out) || !Meet(in, out, p)) {
            G3RoofVertex::DeleteLoop(head);
            return false;
        }
        auto* c = new G3RoofVertex(p, v->GetPitch(), v->GetSection());
        Append(&head, c);
        v = w;
    } while (v != outline);
    *result = head;
    return true;
}
