#pragma once

// The one mechanism by which a class takes its instances from a pool of its own.
//
// In the class body (leaves the access private):
//     PK_DECLARE_POOL(G3Point)
// In the class's .cpp, after including GHeap.h, with the pool's block budget in bytes:
//     PK_DEFINE_POOL(G3Point, 65536)
//
// The pool `m_<Class>Heap` is made by a static initializer when the library loads
// (or on first use, whichever comes first), is sized by sizeof(Class), and hands
// out zero-filled slots. A class derived from a pooled class shares its pool only
// if it adds no bytes: check that with PK_POOL_SHARED_BY(Derived, Base).

#include <cstddef>

class GHeap;
class GMemoryAllocator;

#define PK_DECLARE_POOL(Class)                                                         \
public:                                                                                \
    static void* operator new(std::size_t size);                                       \
    static void* operator new(std::size_t size, GMemoryAllocator* arena);              \
    static void operator delete(void* p);                                              \
    static void operator delete(void*, GMemoryAllocator*) {}                           \
    /** Zero-filled pool slots for `count` objects, for builders that place many objects \
        at once with ::new (slot); each is released with delete as usual. */             \
    static void NewSlots(int count, void** out);                                       \
    /** The class's pool; null only between GHeap::RemoveAllHeaps and the next new. */ \
    static GHeap* GetHeap() {                                                          \
        return m_##Class##Heap;                                                        \
    }                                                                                  \
                                                                                       \
private:                                                                               \
    static GHeap* m_##Class##Heap;

#define PK_DEFINE_POOL(Class, blockBytes)                                                       \
    static_assert(alignof(Class) <= 8, "pool slots are 8-byte aligned");                        \
    GHeap* Class::m_##Class##Heap = GHeap::Attach(&Class::m_##Class##Heap, #Class,              \
                                                  static_cast<int>(sizeof(Class)), blockBytes); \
    void* Class::operator new(std::size_t size) {                                               \
        return GHeap::PooledAlloc(&m_##Class##Heap, #Class, static_cast<int>(sizeof(Class)),    \
                                  blockBytes, size);                                            \
    }                                                                                           \
    void* Class::operator new(std::size_t size, GMemoryAllocator* arena) {                      \
        return GHeap::PlaceInArena(size, arena);                                                \
    }                                                                                           \
    void Class::operator delete(void* p) {                                                      \
        GHeap::PooledFree(m_##Class##Heap, p);                                                  \
    }                                                                                           \
    void Class::NewSlots(int count, void** out) {                                               \
        GHeap::PooledAllocMany(&m_##Class##Heap, #Class, static_cast<int>(sizeof(Class)),       \
                               blockBytes, count, out);                                         \
    }

#define PK_POOL_SHARED_BY(Derived, Base) \
    static_assert(sizeof(Derived) <= sizeof(Base), #Derived " must fit the slots of " #Base)
