#include "polykern/model/G3Point.h"

#include <cmath>

#include "polykern/foundation/GHeap.h"
#include "polykern/math/GVector3.h"

PK_DEFINE_POOL(G3Point, 65536)

namespace {

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}

}  // namespace

G3Point::G3Point(const double* xyz, uint32_t word) : G3Obj(word) {
    Set(xyz);
}

G3Point::G3Point(double x, double y, double z, uint32_t word) : G3Obj(word) {
    const double xyz[3] = {x, y, z};
    Set(xyz);
}

void G3Point::Set(const double* xyz) {
    for (int k = 0; k < 3; ++k) m_Coo[k] = Finite(xyz[k]);
}

void G3Point::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* source = dynamic_cast<G3Point*>(from);
    if (source == nullptr || source == this) return;
    for (int k = 0; k < 3; ++k) m_Coo[k] = source->m_Coo[k];
}

G3Point* G3Point::Duplicate() {
    auto* copy = new G3Point();
    copy->Copy(this);
    return copy;
}

void G3Point::Negate() {
    for (double& c : m_Coo) c = -c;
}

bool G3Point::Equals(const double* a, const double* b) {
    return Equals(a, b, 1e-6);
}

bool G3Point::Equals(const double* a, const double* b, double tol) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz) < tol;
}

bool G3Point::Equals(const GObj* o) const {
    return Equals(o, 1e-6);
}

bool G3Point::Equals(const GObj* o, double tol) const {
    const auto* other = dynamic_cast<const G3Point*>(o);
    return other != nullptr && Equals(m_Coo, other->m_Coo, tol);
}

bool PtOnSegment(const G3Point* p, const G3Point* a, const G3Point* b) {
    return p != nullptr && a != nullptr && b != nullptr &&
           PtOnSegment(p->GetXYZ(), a->GetXYZ(), b->GetXYZ());
}
