#include "polykern/foundation/GObj.h"

#include <climits>
#include <new>

#include "polykern/foundation/GMemoryAllocator.h"

GObj::~GObj() = default;

void GObj::Copy(GObj* /*from*/) {}

GObj* GObj::Duplicate() {
    GObj* copy = new GObj(0);
    copy->Copy(this);
    return copy;
}

void* GObj::operator new(std::size_t size) {
    return ::operator new(size);
}

void* GObj::operator new(std::size_t size, GMemoryAllocator* arena) {
    void* p = arena != nullptr && size <= static_cast<std::size_t>(INT_MAX - 8)
                  ? arena->alloc(static_cast<int>(size))
                  : nullptr;
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void GObj::operator delete(void* p) {
    ::operator delete(p);
}

void GObj::operator delete(void* /*p*/, GMemoryAllocator* /*arena*/) {}
