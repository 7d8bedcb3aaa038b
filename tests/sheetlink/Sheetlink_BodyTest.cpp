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
    for (int k = 0; k < n; ++k) {
        p[k].x = base + k;
        p[k].y = base + 10 * k;
        p[k].z = -base;
        p[k].hidden = static_cast<uint8_t>(k % 2);
    }
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
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(ring.get());
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bytes[33 * k + 32], k % 2) << k;
        double x = 0;
        std::memcpy(&x, bytes + 33 * k, sizeof x);
        EXPECT_EQ(x, 1.0 + k) << k;
    }
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&ring[1]) - bytes, 33);
}

TEST(Sheetlink_Body, OutOfRangeIndicesAnswerSentinelsAndChangeNothing) {
    Sheetlink_Body empty(0);
    EXPECT_EQ(empty.GetNumPlanes(), 0);
    EXPECT_EQ(empty.CreatePlanes(0), 0);
    EXPECT_EQ(empty.CreatePlanes(-4), 0);
    EXPECT_EQ(empty.GetNumPlanes(), 0);
    ExpectOutOfRange(empty, 0);

    Sheetlink_Body b(3);
    EXPECT_EQ(b.GetNumPlanes(), 3);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(2), 0);
    EXPECT_EQ(b.GetVerticesForIndexedPlane(2), nullptr);
    EXPECT_EQ(b.GetColorForIndexedPlane(2), 0);
    for (int index : {3, -1, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(index);
        auto ring = Ring(4, 0);
        EXPECT_EQ(b.SetPointsForIndexedPlane(index, 4, ring.get()), 0);
        b.SetColorForIndexedPlane(index, 7);
        b.SetMaterialForIndexedPlane(index, 7);
        b.SetLayerForIndexedPlane(index, 7);
        ExpectOutOfRange(b, index);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.GetColorForIndexedPlane(i), 0);
        EXPECT_EQ(b.GetMaterialForIndexedPlane(i), 0);
        EXPECT_EQ(b.GetLayerForIndexedPlane(i), 0);
    }
}

TEST(Sheetlink_Body, PlanesKeepTheirOwnCopyOfThePoints) {
    Sheetlink_Body b(2);
    b.SetColorForIndexedPlane(1, 0x00FF00);
    b.SetMaterialForIndexedPlane(1, 12);
    b.SetLayerForIndexedPlane(1, 0xFFFE);
    {
        auto first = Ring(5, 100);
        ASSERT_EQ(b.SetPointsForIndexedPlane(1, 5, first.get()), 1);
        EXPECT_NE(b.GetVerticesForIndexedPlane(1), first.get());
    }  // the caller's array is gone; the body's copy lives on
    {
        auto second = Ring(3, 200);
        ASSERT_EQ(b.SetPointsForIndexedPlane(1, 3, second.get()), 1);
    }
    ASSERT_EQ(b.GetNumVerticesForIndexedPlane(1), 3);
    const FPOINT* p = b.GetVerticesForIndexedPlane(1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(p[k].x, 200.0 + k);
        EXPECT_EQ(p[k].z, -200.0);
        EXPECT_EQ(p[k].hidden, k % 2);
    }
    EXPECT_EQ(b.GetColorForIndexedPlane(1), 0x00FF00);
    EXPECT_EQ(b.GetMaterialForIndexedPlane(1), 12);
    EXPECT_EQ(b.GetLayerForIndexedPlane(1), 0xFFFE);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(0), 0);

    // Refused without touching the plane: a negative count, null points with a count.
    EXPECT_EQ(b.SetPointsForIndexedPlane(1, -1, Ring(1, 0).get()), 0);
    EXPECT_EQ(b.SetPointsForIndexedPlane(1, 2, nullptr), 0);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(1), 3);
    EXPECT_EQ(b.GetVerticesForIndexedPlane(1), p);
    // Zero points are a valid, empty ring.
    EXPECT_EQ(b.SetPointsForIndexedPlane(1, 0, nullptr), 1);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(1), 0);
}

// Re-creating the planes releases the old ones (AddressSanitizer reports a leak otherwise);
// a count of 0 or less leaves the planes as they are.
TEST(Sheetlink_Body, CreatePlanesReplacesExistingPlanes) {
    Sheetlink_Body b(2);
    auto ring = Ring(4, 1);
    b.SetPointsForIndexedPlane(0, 4, ring.get());
    b.SetColorForIndexedPlane(0, 9);
    EXPECT_EQ(b.CreatePlanes(0), 1);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(0), 4);
    EXPECT_EQ(b.CreatePlanes(5), 1);
    EXPECT_EQ(b.GetNumPlanes(), 5);
    EXPECT_EQ(b.GetNumVerticesForIndexedPlane(0), 0);
    EXPECT_EQ(b.GetColorForIndexedPlane(0), 0);
}

// Copies are deep: changing or destroying one body never touches another, and every array
// is released once (AddressSanitizer checks the releases).
TEST(Sheetlink_Body, CopiesOwnTheirOwnArrays) {
    auto original = std::make_unique<Sheetlink_Body>(2);
    auto ring = Ring(4, 1);
    original->SetPointsForIndexedPlane(1, 4, ring.get());
    original->SetMaterialForIndexedPlane(1, 3);

    Sheetlink_Body copied(*original);
    Sheetlink_Body assigned(1);
    assigned = *original;
    const Sheetlink_Body& same = assigned;
    assigned = same;
    for (const Sheetlink_Body* b : {&copied, &assigned}) {
        EXPECT_EQ(b->GetNumPlanes(), 2);
        ASSERT_EQ(b->GetNumVerticesForIndexedPlane(1), 4);
        EXPECT_NE(b->GetVerticesForIndexedPlane(1), original->GetVerticesForIndexedPlane(1));
        EXPECT_EQ(b->GetVerticesForIndexedPlane(1)[3].x, 4.0);
        EXPECT_EQ(b->GetVerticesForIndexedPlane(0), nullptr);
    }
    EXPECT_EQ(copied.GetMaterialForIndexedPlane(1), 3);
    copied.GetVerticesForIndexedPlane(1)[0].x = 99;
    EXPECT_EQ(assigned.GetVerticesForIndexedPlane(1)[0].x, 1.0);
    original.reset();
    EXPECT_EQ(assigned.GetVerticesForIndexedPlane(1)[2].y, 21.0);

    Sheetlink_Body moved(std::move(copied));
    EXPECT_EQ(copied.GetNumPlanes(), 0);
    EXPECT_EQ(moved.GetVerticesForIndexedPlane(1)[0].x, 99.0);
    assigned = Sheetlink_Body();
    EXPECT_EQ(assigned.GetNumPlanes(), 0);
    ExpectOutOfRange(assigned, 0);
}

// When memory runs out the body says so with 0 and keeps what it had. Runs in a child
// process with a small address-space limit; sanitizer builds reserve too much for that.
TEST(Sheetlink_Body, AllocationFailureKeepsThePlane) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not mix with the sanitizer's shadow memory";
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t(4) << 30;  // 4 GiB, far below INT_MAX points of 33 bytes
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
        Sheetlink_Body b(1);
        auto ring = Ring(3, 1);
        if (b.SetPointsForIndexedPlane(0, 3, ring.get()) != 1) _exit(11);
        // The points are never read: the allocation fails first.
        if (b.SetPointsForIndexedPlane(0, INT_MAX, ring.get()) != 0) _exit(12);
        if (b.GetNumVerticesForIndexedPlane(0) != 3) _exit(13);
        if (b.GetVerticesForIndexedPlane(0)[2].x != 3.0) _exit(14);
        if (b.CreatePlanes(INT_MAX) != 0 || b.GetNumPlanes() != 0) _exit(15);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}
