#pragma once

// Memory for the large work arrays of one call (sorting keys, pairings, index maps over a
// whole mesh). Fresh memory from the system is dear, each page faulted in and cleared, and
// a mesh built again and again would pay for its work arrays every time; so a released
// buffer of a megabyte or more is kept, lazily free (the system may take its pages back
// whenever it needs them), for the next buffer that fits. Smaller buffers come from the C
// heap. A buffer's contents are undefined when it is taken, as with malloc.

#include <cstddef>
#include <new>
#include <vector>

#include "polykern/PolykernExport.h"

namespace pkwork {

/// A buffer of `bytes`; throws std::bad_alloc when there is no memory.
POLYKERN_API void* Take(std::size_t bytes);
/// Returns a buffer that Take(bytes) gave.
POLYKERN_API void Give(void* p, std::size_t bytes);
/// Hands every kept buffer back to the system.
POLYKERN_API void Release();

template <class T>
struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <class U>
    Allocator(const Allocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(Take(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) { Give(p, n * sizeof(T)); }
};

template <class T, class U>
bool operator==(const Allocator<T>&, const Allocator<U>&) {
    return true;
}
template <class T, class U>
bool operator!=(const Allocator<T>&, const Allocator<U>&) {
    return false;
}

/// A work array whose storage is kept for the next one when it is large.
template <class T>
using Vector = std::vector<T, Allocator<T>>;

}  // namespace pkwork
