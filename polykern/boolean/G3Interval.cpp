#include "polykern/boolean/G3Interval.h"

#include <memory>
#include <utility>

#include "polykern/foundation/GAssert.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/model/G3Point.h"

PK_DEFINE_POOL(G3Interval, 4096)

namespace {

const double kOrigin[3] = {0.0, 0.0, 0.0};

G3Point* NewPoint(const double* xyz) {
    return new G3Point(xyz != nullptr ? xyz : kOrigin, 0);
}

}  // namespace

G3Interval::G3Interval(const double* p1, GObj* owner1, const double* p2, GObj* owner2) {
    Init(p1, owner1, p2, owner2);
}

G3Interval::G3Interval(const double* p1, const double* p2) {
    Init(p1, nullptr, p2, nullptr);
}

G3Interval::~G3Interval() {
    Finit();
}

void G3Interval::Init(const double* p1, GObj* owner1, const double* p2, GObj* owner2) {
    std::unique_ptr<G3Point> first(NewPoint(p1));
    m_Point2 = NewPoint(p2);
    m_Point1 = first.release();
    m_Owner1 = owner1;
    m_Owner2 = owner2;
}

void G3Interval::Finit() {
    delete m_Point1;
    delete m_Point2;
    m_Point1 = nullptr;
    m_Point2 = nullptr;
}

void G3Interval::Copy(GObj* from) {
    GObj::Copy(from);
    auto* source = dynamic_cast<G3Interval*>(from);
    if (source == nullptr || source == this) return;
    // Both copies are made before the old ends go, so a failed allocation leaves this
    // interval as it was.
    std::unique_ptr<G3Point> first(new G3Point());
    std::unique_ptr<G3Point> second(new G3Point());
    first->Copy(source->m_Point1);
    second->Copy(source->m_Point2);
    Finit();
    m_Point1 = first.release();
    m_Point2 = second.release();
    m_Owner1 = source->m_Owner1;
    m_Owner2 = source->m_Owner2;
}

G3Interval* G3Interval::Duplicate() {
    auto* copy = new G3Interval(GetXYZ1(), m_Owner1, GetXYZ2(), m_Owner2);
    // The new ends also take the identifiers, flags and links of these ones.
    copy->m_Point1->Copy(m_Point1);
    copy->m_Point2->Copy(m_Point2);
    return copy;
}

double* G3Interval::GetXYZ1() const {
    return m_Point1->GetXYZ();
}

double* G3Interval::GetXYZ2() const {
    return m_Point2->GetXYZ();
}

double G3Interval::GetXYZ1(int axis) const {
    PK_ASSERT(axis >= 0 && axis < 3);
    return m_Point1->GetXYZ(axis);
}

double G3Interval::GetXYZ2(int axis) const {
    PK_ASSERT(axis >= 0 && axis < 3);
    return m_Point2->GetXYZ(axis);
}

void G3Interval::Swap() {
    std::swap(m_Point1, m_Point2);
    std::swap(m_Owner1, m_Owner2);
}

void G3Interval::Orient(int axis) {
    if (axis < 0 || axis > 2) return;
    if (m_Point2->GetXYZ(axis) < m_Point1->GetXYZ(axis)) Swap();
}
