#include "polykern/foundation/GWorkBuffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace pkwork {
namespace {

constexpr std::size_t kLarge = std::size_t(1) << 20;  // smaller buffers are malloc'd
constexpr std::size_t kKeptBytes = std::size_t(1) << 30;
constexpr int kKept = 32;
constexpr std::size_t kHeader = 64;  // keeps the buffer aligned to a cache line

std::size_t PageRounded(std::size_t bytes) {
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

class KeptBuffers {
public:
    // A kept buffer of at least `bytes` and at most twice that, the smallest such; its
    // size goes to *size.
    void* Take(std::size_t bytes, std::size_t* size) {
        std::lock_guard<std::mutex> guard(m_Lock);
        int best = -1;
        for (int i = 0; i < m_Count; ++i) {
            const std::size_t have = m_Buffers[i].bytes;
            if (have < bytes || have / 2 > bytes) continue;
            if (best < 0 || have < m_Buffers[best].bytes) best = i;
        }
        if (best < 0) return nullptr;
        void* p = m_Buffers[best].memory;
        *size = m_Buffers[best].bytes;
        m_Total -= m_Buffers[best].bytes;
        m_Buffers[best] = m_Buffers[--m_Count];
        return p;
    }

    // Keeps the buffer when there is room; false when the caller must unmap it.
    bool Keep(void* p, std::size_t bytes) {
        {
            std::lock_guard<std::mutex> guard(m_Lock);
            if (m_Count == kKept || m_Total + bytes > kKeptBytes) return false;
            m_Buffers[m_Count++] = {p, bytes};
            m_Total += bytes;
        }
        madvise(p, bytes, MADV_FREE);
        return true;
    }

    void Release() {
        std::lock_guard<std::mutex> guard(m_Lock);
        for (int i = 0; i < m_Count; ++i) munmap(m_Buffers[i].memory, m_Buffers[i].bytes);
        m_Count = 0;
        m_Total = 0;
    }

private:
    struct Buffer {
        void* memory;
        std::size_t bytes;
    };
    std::mutex m_Lock;
    Buffer m_Buffers[kKept] = {};
    int m_Count = 0;
    std::size_t m_Total = 0;
};

// Made on first use and never destroyed, so buffers released during exit still find it.
KeptBuffers& Kept() {
    static KeptBuffers* kept = new KeptBuffers();
    return *kept;
}

bool Mapped(std::size_t bytes) {
#ifdef PK_POOLS_PASS_THROUGH
    // The sanitizer build gives every buffer to the C heap, where it is watched.
    (void)bytes;
    return false;
#else
    return bytes >= kLarge;
#endif
}

}  // namespace

void* Take(std::size_t bytes) {
    if (!Mapped(bytes)) {
        void* p = std::malloc(bytes > 0 ? bytes : 1);
        if (p == nullptr) throw std::bad_alloc();
        return p;
    }
    // A header in front of the buffer records the size mapped, which a kept buffer taken
    // for a smaller request keeps.
    std::size_t size = PageRounded(bytes + kHeader);
    char* base = static_cast<char*>(Kept().Take(size, &size));
    if (base == nullptr) {
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        base = static_cast<char*>(p);
    }
    *reinterpret_cast<std::size_t*>(base) = size;
    return base + kHeader;
}

void Give(void* p, std::size_t bytes) {
    if (p == nullptr) return;
    if (!Mapped(bytes)) {
        std::free(p);
        return;
    }
    char* base = static_cast<char*>(p) - kHeader;
    const std::size_t size = *reinterpret_cast<const std::size_t*>(base);
    if (!Kept().Keep(base, size)) munmap(base, size);
}

void Release() {
    Kept().Release();
}

}  // namespace pkwork
