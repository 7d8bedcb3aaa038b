#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "polykern/foundation/GWorkBuffers.h"

namespace {

// Work arrays of many sizes, large and small, made and dropped in a shuffled order, so
// that kept buffers are taken again for smaller requests and given back at their own
// size: every array holds what was written to it, and the next one of any size can be had.
TEST(GWorkBuffers, ArraysOfMixedSizesKeepTheirContents) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> size(1, 6 << 20);
    std::vector<pkwork::Vector<std::uint32_t>> live(6);
    int bad = 0;
    for (int round = 0; round < 60; ++round) {
        auto& v = live[static_cast<std::size_t>(rng() % live.size())];
        for (std::size_t i = 0; i < v.size(); i += 4093) bad += v[i] != (i ^ v.size()) ? 1 : 0;
        pkwork::Vector<std::uint32_t>().swap(v);  // back to the keeper
        v.resize(static_cast<std::size_t>(size(rng)) / (round % 3 == 0 ? 64 : 1));
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint32_t>(i ^ v.size());
    }
    EXPECT_EQ(bad, 0);
    live.clear();
    pkwork::Release();
    pkwork::Vector<double> after(3 << 20, 1.5);  // made fresh once the keeper is empty
    EXPECT_EQ(after[(3 << 20) - 1], 1.5);
}

}  // namespace
