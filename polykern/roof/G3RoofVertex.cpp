#include "polykern/roof/G3RoofVertex.h"

#include <cstring>

#include "polykern/foundation/GHeap.h"

// The slot size comes from sizeof, so the fields may grow without overrunning a slot.
PK_DEFINE_POOL(G3RoofVertex, 4096)

G3RoofVertex::G3RoofVertex(const double* xyz, double pitch, int section)
    : m_Pitch(pitch), m_Prev(this), m_Next(this), m_Section(section) {
    if (xyz != nullptr) SetXYZ(xyz);
}

G3RoofVertex::G3RoofVertex(const G3RoofVertex* source) : m_Prev(this), m_Next(this) {
    if (source == nullptr) return;
    std::memcpy(m_Coo, source->m_Coo, sizeof m_Coo);
    std::memcpy(m_Plane, source->m_Plane, sizeof m_Plane);
    m_Pitch = source->m_Pitch;
    m_PlaneIndex = source->m_PlaneIndex;
    m_Section = source->m_Section;
}

void G3RoofVertex::SetXYZ(const double* xyz) {
    std::memcpy(m_Coo, xyz, sizeof m_Coo);
}

void G3RoofVertex::SetPlane(const double* plane) {
    std::memcpy(m_Plane, plane, sizeof m_Plane);
}

void G3RoofVertex::InsertAfter(G3RoofVertex* v) {
    v->m_Prev = this;
    v->m_Next = m_Next;
    m_Next->m_Prev = v;
    m_Next = v;
}

void G3RoofVertex::Unlink() {
    m_Prev->m_Next = m_Next;
    m_Next->m_Prev = m_Prev;
    m_Prev = m_Next = this;
}

int G3RoofVertex::CountLoop(const G3RoofVertex* first, int limit) {
    if (first == nullptr) return 0;
    int n = 1;
    for (const G3RoofVertex* v = first->m_Next; v != first && v != nullptr && n <= limit;
         v = v->m_Next) {
        ++n;
    }
    return n;
}

void G3RoofVertex::DeleteLoop(G3RoofVertex* first) {
    if (first == nullptr) return;
    G3RoofVertex* v = first->m_Next;
    while (v != first && v != nullptr) {
        G3RoofVertex* next = v->m_Next;
        delete v;
        v = next;
    }
    delete first;
}

G3RoofVertex* G3RoofVertex::CopyLoop(const G3RoofVertex* first) {
    if (first == nullptr) return nullptr;
    auto* head = new G3RoofVertex(first);
    G3RoofVertex* last = head;
    for (const G3RoofVertex* v = first->m_Next; v != first && v != nullptr; v = v->m_Next) {
        auto* c = new G3RoofVertex(v);
        last->InsertAfter(c);
        last = c;
    }
    return head;
}

void G3RoofVertex::ReverseLoop(G3RoofVertex* first) {
    if (first == nullptr) return;
    G3RoofVertex* v = first;
    do {
        G3RoofVertex* next = v->m_Next;
        v->m_Next = v->m_Prev;
        v->m_Prev = next;
        v = next;
    } while (v != first);
}

double G3RoofVertex::SignedArea2(const G3RoofVertex* first) {
    if (first == nullptr) return 0.0;
    // Relative to the first corner, so that an outline far from the origin keeps its digits.
    const double ox = first->GetX(), oy = first->GetY();
    double a = 0.0;
    const G3RoofVertex* v = first;
    do {
        const G3RoofVertex* w = v->m_Next;
        a += (v->GetX() - ox) * (w->GetY() - oy) - (w->GetX() - ox) * (v->GetY() - oy);
        v = w;
    } while (v != first);
    return a;
}
