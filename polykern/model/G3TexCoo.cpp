#include "polykern/model/G3TexCoo.h"

#include <cmath>

#include "polykern/foundation/GHeap.h"

PK_DEFINE_POOL(G3TexCoo, 65536)

namespace {

double Finite(double v) {
    return std::isfinite(v) ? v : 0.0;
}

}  // namespace

G3TexCoo::G3TexCoo(const double* uv) {
    Set(uv);
}

G3TexCoo::G3TexCoo(double u, double v) {
    const double uv[2] = {u, v};
    Set(uv);
}

void G3TexCoo::Set(const double* uv) {
    m_UV[0] = Finite(uv[0]);
    m_UV[1] = Finite(uv[1]);
}

void G3TexCoo::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* source = dynamic_cast<G3TexCoo*>(from);
    if (source == nullptr || source == this) return;
    m_UV[0] = source->m_UV[0];
    m_UV[1] = source->m_UV[1];
}

G3TexCoo* G3TexCoo::Duplicate() {
    auto* copy = new G3TexCoo();
    copy->Copy(this);
    return copy;
}

bool G3TexCoo::Equals(const G3TexCoo* o, double tol) const {
    const double du = m_UV[0] - o->m_UV[0], dv = m_UV[1] - o->m_UV[1];
    return std::sqrt(du * du + dv * dv) < tol;
}
