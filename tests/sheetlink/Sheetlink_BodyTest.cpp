#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "sheetlink/Sheetlink.h"

namespace {

// A ring of n points with recognisable coordinates and every other edge hidden.
std::unique_ptr<FPOINT[]> Ring(int n, double base) {
    std::unique_ptr<FPOINT[]> p(new FPOINT[n]());
    for (int k = 0; k < n; ++k) p[k] = {base + k, base + 10 * k, -base, 0, 0, uint8_t(k % 2)};
    return p;
}

void ExpectOutOfRange(const Sheetlink_Body& b, int index) {
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(index), -1);
    EXPECT_EQ(b.GetVerticesForIndexedPlane(index), nullptr);
    EXPECT_EQ(b.GetColorForIndexedPlane(index), -1);
    EXPECT_EQ(b.GetMaterialForIndexedPlane(index), 0xFFFF);
    EXPECT_EQ(b.GetLayerForIndexedPlane(index), 0xFFFF);
}

}  // namespace

// The hidden flag of point k sits at byte 33k + 32, and point k+1 starts right after it.
TEST(Sheetlink_Body, PointArraysAreSteppedBy33Bytes) {
    auto ring = Ring(3, 1.0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(ring.get());
    for (int k = 0; k < 3; ++k) {
        double x = 0;
        std::memcpy(&x, bytes + 33 * k, sizeof x);
        EXPECT_EQ(x, 1.0 + k);
        EXPECT_EQ(bytes[33 * k + 32], k % 2);
    }
}

TEST(Sheetlink_Body, OutOfRangeIndicesAnswerSentinelsAndChangeNothing) {
    Sheetlink_Body empty(0);
    EXPECT_EQ(empty.CreatePlanes(0), 0);
    EXPECT_EQ(empty.CreatePlanes(-4), 0);
    EXPECT_EQ(empty.GetNumPlanes(), 0);
    ExpectOutOfRange(empty, 0);

    Sheetlink_Body b(3);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(2), 0);
    EXPECT_EQ(b.GetVerticesForIndexedPlane(2), nullptr);
    auto ring = Ring(4, 0);
    for (int index : {3, -1, INT_MAX, INT_MIN}) {
        EXPECT_EQ(b.SetPointsForIndexedPlane(index, 4, ring.get()), 0);
        b.SetColorForIndexedPlane(index, 7);
        b.SetMaterialForIndexedPlane(index, 7);
        b.SetLayerForIndexedPlane(index, 7);
        ExpectOutOfRange(b, index);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.GetColorForIndexedPlane(i) + b.GetMaterialForIndexedPlane(i) +
                      b.GetLayerForIndexedPlane(i),
                  0);
}

// Each plane keeps its own copy (fields are read by value: they are unaligned): the caller may free
// its array right away, a second set replaces the first, and refused calls leave the plane as it
// was.
TEST(Sheetlink_Body, PlanesKeepTheirOwnCopyOfThePoints) {
    Sheetlink_Body b(2);
    b.SetColorForIndexedPlane(1, 0x00FF00);
    b.SetMaterialForIndexedPlane(1, 12);
    b.SetLayerForIndexedPlane(1, 0xFFFE);
    ASSERT_EQ(b.SetPointsForIndexedPlane(1, 5, Ring(5, 100).get()), 1);
    ASSERT_EQ(b.SetPointsForIndexedPlane(1, 3, Ring(3, 200).get()), 1);
    ASSERT_EQ(b.GetNumVerticesForIndexedPlane(1), 3);
    const FPOINT* p = b.GetVerticesForIndexedPlane(1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(double(p[k].x), 200.0 + k);
        EXPECT_EQ(p[k].hidden, k % 2);
    }
    EXPECT_EQ(b.GetColorForIndexedPlane(1), 0x00FF00);
    EXPECT_EQ(b.GetMaterialForIndexedPlane(1), 12);
    EXPECT_EQ(b.GetLayerForIndexedPlane(1), 0xFFFE);

    EXPECT_EQ(b.SetPointsForIndexedPlane(1, -1, Ring(1, 0).get()), 0);
    EXPECT_EQ(b.SetPointsForIndexedPlane(1, 2, nullptr), 0);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(1), 3);
    EXPECT_EQ(b.GetVerticesForIndexedPlane(1), p);
    EXPECT_EQ(b.SetPointsForIndexedPlane(1, 0, nullptr), 1);  // an empty ring is valid
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(1), 0);

    // Creating planes again releases the old ones (the leak checker would see them);
    // a count of 0 or less leaves them.
    EXPECT_EQ(b.CreatePlanes(0), 1);
    EXPECT_EQ(b.GetColorForIndexedPlane(1), 0x00FF00);
    EXPECT_EQ(b.CreatePlanes(5), 1);
    EXPECT_EQ(b.GetNumPlanes(), 5);
    EXPECT_EQ(b.GetColorForIndexedPlane(1), 0);
}

// Copies are deep: changing or destroying one body never touches another, and every array
// is released once (the sanitizer build checks the releases).
TEST(Sheetlink_Body, CopiesOwnTheirOwnArrays) {
    auto original = std::make_unique<Sheetlink_Body>(2);
    original->SetPointsForIndexedPlane(1, 4, Ring(4, 1).get());
    Sheetlink_Body copied(*original);
    Sheetlink_Body assigned(1);
    assigned = *original;
    const Sheetlink_Body& same = assigned;
    assigned = same;
    for (const Sheetlink_Body* b : {&copied, &assigned}) {
        ASSERT_EQ(b->GetNumVerticesForIndexedPlane(1), 4);
        EXPECT_NE(b->GetVerticesForIndexedPlane(1), original->GetVerticesForIndexedPlane(1));
        EXPECT_EQ(b->GetVerticesForIndexedPlane(0), nullptr);
    }
    copied.GetVerticesForIndexedPlane(1)[0].x = 99;
    original.reset();
    EXPECT_EQ(double(assigned.GetVerticesForIndexedPlane(1)[0].x), 1.0);
    EXPECT_EQ(double(assigned.GetVerticesForIndexedPlane(1)[3].y), 31.0);

    Sheetlink_Body moved(std::move(copied));
    EXPECT_EQ(double(moved.GetVerticesForIndexedPlane(1)[0].x), 99.0);
    assigned = std::move(moved);
    ExpectOutOfRange(moved, 0);
    EXPECT_EQ(double(assigned.GetVerticesForIndexedPlane(1)[0].x), 99.0);
}

// When memory runs out the body answers 0 and keeps what it had. Runs in a child process
// under a small address-space limit, which the sanitizer's shadow memory cannot live with.
TEST(Sheetlink_Body, AllocationFailureKeepsThePlane) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not mix with the sanitizer";
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t(4) << 30;  // far below INT_MAX points of 33 bytes
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
        Sheetlink_Body b(1);
        auto ring = Ring(3, 1);
        b.SetPointsForIndexedPlane(0, 3, ring.get());
        // The points are never read: the allocation fails first.
        if (b.SetPointsForIndexedPlane(0, INT_MAX, ring.get()) != 0) _exit(11);
        if (b.GetNumVerticesForIndexedPlane(0) != 3 || b.GetVerticesForIndexedPlane(0)[2].x != 3)
            _exit(12);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
#endif
}
