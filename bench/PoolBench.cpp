// Pool allocation against the general heap for a 40-byte object.
//
// Each benchmark allocates a batch of N objects and frees them again, so the
// allocator sees a realistic working set instead of one slot bouncing in a cache.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "polykern/foundation/GHeap.h"

namespace {

struct Object40 {
    char bytes[40];
};
static_assert(sizeof(Object40) == 40, "the benchmark measures 40-byte objects");

void BM_PoolAllocFree(benchmark::State& state) {
    GHeap pool("Bench40", 40, 65536);
    std::vector<void*> slots(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        for (auto& p : slots) p = pool.Alloc();
        benchmark::ClobberMemory();
        for (void* p : slots) pool.Free(p);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// The same with one object kept alive in every block, as in a mesh that holds many
// entities: no block is released and made again between rounds.
void BM_PoolAllocFreeWarm(benchmark::State& state) {
    GHeap pool("Bench40Warm", 40, 65536);
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::vector<void*> keep;
    for (std::size_t i = 0; i <= n / static_cast<std::size_t>(pool.GetSlotsPerBlock()); ++i) {
        for (int k = 0; k < pool.GetSlotsPerBlock(); ++k) keep.push_back(pool.Alloc());
    }
    for (std::size_t i = 0; i < keep.size(); ++i) {
        if (i % static_cast<std::size_t>(pool.GetSlotsPerBlock()) != 0) pool.Free(keep[i]);
    }
    std::vector<void*> slots(n);
    for (auto _ : state) {
        for (auto& p : slots) p = pool.Alloc();
        benchmark::ClobberMemory();
        for (void* p : slots) pool.Free(p);
    }
    for (std::size_t i = 0; i < keep.size();
         i += static_cast<std::size_t>(pool.GetSlotsPerBlock())) {
        pool.Free(keep[i]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void BM_MallocFree(benchmark::State& state) {
    std::vector<void*> slots(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        // calloc: the pool hands out zeroed slots, so compare like with like.
        for (auto& p : slots) p = std::calloc(1, sizeof(Object40));
        benchmark::ClobberMemory();
        for (void* p : slots) std::free(p);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void BM_NewDelete(benchmark::State& state) {
    std::vector<Object40*> slots(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        for (auto& p : slots) p = new Object40();
        benchmark::ClobberMemory();
        for (Object40* p : slots) delete p;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// Both in one run over the same batch sizes: the pool's time is the benchmark's, and the
// counters give calloc + free's time and the ratio pool / calloc.
void BM_PoolBesideCalloc(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    GHeap pool("Bench40Beside", 40, 65536);
    std::vector<void*> slots(static_cast<std::size_t>(state.range(0)));
    double poolSeconds = 0, callocSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (auto& p : slots) p = pool.Alloc();
        benchmark::ClobberMemory();
        for (void* p : slots) pool.Free(p);
        const auto t1 = Clock::now();
        for (auto& p : slots) p = std::calloc(1, sizeof(Object40));
        benchmark::ClobberMemory();
        for (void* p : slots) std::free(p);
        const auto t2 = Clock::now();
        poolSeconds += std::chrono::duration<double>(t1 - t0).count();
        callocSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    const double pairs = static_cast<double>(state.iterations()) * state.range(0);
    state.counters["pool_ns"] = 1e9 * poolSeconds / pairs;
    state.counters["calloc_ns"] = 1e9 * callocSeconds / pairs;
    state.counters["ratio"] = poolSeconds / callocSeconds;
}

BENCHMARK(BM_PoolBesideCalloc)->RangeMultiplier(8)->Range(8, 8 << 12)->UseManualTime();
BENCHMARK(BM_PoolAllocFree)->RangeMultiplier(8)->Range(8, 8 << 12)->Complexity();
BENCHMARK(BM_PoolAllocFreeWarm)->RangeMultiplier(8)->Range(8, 8 << 12)->Complexity();
BENCHMARK(BM_MallocFree)->RangeMultiplier(8)->Range(8, 8 << 12)->Complexity();
BENCHMARK(BM_NewDelete)->RangeMultiplier(8)->Range(8, 8 << 12)->Complexity();

}  // namespace
