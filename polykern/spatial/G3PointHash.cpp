#include "polykern/spatial/G3PointHash.h"

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"
#include "polykern/spatial/G3PointHashItem.h"

G3PointHash::G3PointHash(int n, const double* min, const double* max, double tol)
    : G2PointHash(3, n, min, max, tol) {}

G3PointHash::~G3PointHash() = default;

int G3PointHash::GetHashCode(const double* p) const {
    if (p == nullptr) return -1;
    const int n = GetQGrid();
    return AxisIndex(0, p[0]) + (AxisIndex(1, p[1]) + AxisIndex(2, p[2]) * n) * n;
}

int G3PointHash::GetHashCode(const G3Point* pt) const {
    return pt != nullptr ? GetHashCode(pt->GetCoo()) : -1;
}

void G3PointHash::AddWithoutTest(G3Point* pt) {
    if (pt == nullptr) return;
    const int n = GetQGrid();
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) AxisRange(axis, pt->GetXYZ(axis), &lo[axis], &hi[axis]);
    for (int z = lo[2]; z <= hi[2]; ++z) {
        for (int y = lo[1]; y <= hi[1]; ++y) {
            for (int x = lo[0]; x <= hi[0]; ++x) Push(x + (y + z * n) * n, pt);
        }
    }
}

G3PointHashItem* G3PointHash::GetCell(int ix, int iy, int iz) const {
    const int n = GetQGrid();
    if (ix < 0 || ix >= n || iy < 0 || iy >= n || iz < 0 || iz >= n) return nullptr;
    return Chain(ix + (iy + iz * n) * n);
}

void G3PointHash::GetItems(const GEnvelope* env, GArrayCollection* out) const {
    if (out == nullptr) return;
    out->clear();
    if (env == nullptr) return;
    const int n = GetQGrid();
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = AxisIndex(axis, env->GetMin()[axis]);
        hi[axis] = AxisIndex(axis, env->GetMax()[axis]);
    }
    for (int z = lo[2]; z <= hi[2]; ++z) {
        for (int y = lo[1]; y <= hi[1]; ++y) {
            for (int x = lo[0]; x <= hi[0]; ++x) {
                for (G3PointHashItem* item = Chain(x + (y + z * n) * n); item != nullptr;
                     item = item->GetNext()) {
                    G3Obj* obj = item->GetObj();
                    if (obj->GetMark()) continue;
                    obj->SetMark();
                    out->add(obj);
                }
            }
        }
    }
    for (int e = out->size() - 1; e >= 0; --e) static_cast<G3Obj*>(out->get(e))->ClearMark();
}
