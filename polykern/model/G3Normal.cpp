#include "polykern/model/G3Normal.h"

// Normals take their slots from the point pool.
PK_POOL_SHARED_BY(G3Normal, G3Point);

G3Normal* G3Normal::Duplicate() {
    auto* copy = new G3Normal();
    copy->Copy(this);
    return copy;
}

void G3Normal::RealTransformation(const double m[4][4]) {
    const double x = m_Coo[0], y = m_Coo[1], z = m_Coo[2];
    for (int c = 0; c < 3; ++c) m_Coo[c] = x * m[0][c] + y * m[1][c] + z * m[2][c];
}
