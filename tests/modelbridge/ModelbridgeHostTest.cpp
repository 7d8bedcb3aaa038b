// The plug-in's Boolean road seen from a host that links only the kernel and the body
// library: bodies in, bodies out, attributes per source face.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/modelbridge/PluginHost.h"
#include "tests/support/PlaneBodies.h"

namespace {

using pktest::BodyArea;
using pktest::BodyAreaOfMaterial;
using pktest::BodyVolume;
using pktest::MakeBoxBody;
using pktest::PluginTest;

constexpr double kTol = 1e-9;
const pktest::PlaneAttributes kFirst{1, 100, 10};
const pktest::PlaneAttributes kSecond{2, 200, 20};

class ModelbridgeBoolean : public PluginTest {
protected:
    // [0,2]³ and the bar [1,3] × [0.5,1.5] × [0.5,1.5] sticking out of its x = 2 face.
    Sheetlink_Body* A() const { return MakeBoxBody(0, 0, 0, 2, 2, 2, kFirst); }
    Sheetlink_Body* B() const { return MakeBoxBody(1, 0.5, 0.5, 3, 1.5, 1.5, kSecond); }
};

// Every plane of the body carries one of the two attribute sets, whole.
::testing::AssertionResult AttributesArePerFace(const Sheetlink_Body* body) {
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        const unsigned short m = body->GetMaterialForIndexedPlane(i);
        const pktest::PlaneAttributes& want = m == 1 ? kFirst : kSecond;
        if ((m != 1 && m != 2) || body->GetColorForIndexedPlane(i) != want.color ||
            body->GetLayerForIndexedPlane(i) != want.layer)
            return ::testing::AssertionFailure() << "plane " << i << ": material " << m
                                                 << " colour " << body->GetColorForIndexedPlane(i)
                                                 << " layer " << body->GetLayerForIndexedPlane(i);
    }
    return ::testing::AssertionSuccess();
}

TEST_F(ModelbridgeBoolean, UnionDifferenceAndIntersectionHaveTheVolumesOfTheirParts) {
    auto a = Hold(A());
    auto b = Hold(B());
    auto sum = Hold(Modeler()->BooleanAdd(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(sum.get(), nullptr);
    EXPECT_NEAR(BodyVolume(sum.get()), 9.0, kTol);
    EXPECT_NEAR(BodyArea(sum.get()), 28.0, kTol);
    EXPECT_TRUE(pktest::PlanesAreClosedRings(sum.get()));
    EXPECT_EQ(Modeler()->IsClosedWireBody(sum.get()), 1);

    auto diff = Hold(Modeler()->BooleanSub(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(diff.get(), nullptr);
    EXPECT_NEAR(BodyVolume(diff.get()), 7.0, kTol);
    EXPECT_NEAR(BodyArea(diff.get()), 28.0, kTol);

    auto common = Hold(Modeler()->BooleanCommon(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(common.get(), nullptr);
    EXPECT_NEAR(BodyVolume(common.get()), 1.0, kTol);
    EXPECT_EQ(common->GetNumPlanes(), 6);

    // B ∪ A agrees with A ∪ B; the operands are the caller's and were not changed.
    auto swapped = Hold(Modeler()->BooleanAdd(b.get(), nullptr, a.get(), nullptr, nullptr));
    ASSERT_NE(swapped.get(), nullptr);
    EXPECT_NEAR(BodyVolume(swapped.get()), 9.0, kTol);
    EXPECT_NEAR(BodyVolume(a.get()), 8.0, kTol);
    EXPECT_NEAR(BodyVolume(b.get()), 2.0, kTol);
}

TEST_F(ModelbridgeBoolean, EveryResultPlaneKeepsTheAttributesOfItsSourceFace) {
    auto a = Hold(A());
    auto b = Hold(B());
    auto sum = Hold(Modeler()->BooleanAdd(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(sum.get(), nullptr);
    EXPECT_TRUE(AttributesArePerFace(sum.get()));
    // A's skin less the bar's footprint, and the bar's part outside A.
    EXPECT_NEAR(BodyAreaOfMaterial(sum.get(), 1), 23.0, kTol);
    EXPECT_NEAR(BodyAreaOfMaterial(sum.get(), 2), 5.0, kTol);

    auto diff = Hold(Modeler()->BooleanSub(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(diff.get(), nullptr);
    EXPECT_TRUE(AttributesArePerFace(diff.get()));
    // The tunnel's walls and end come from the bar.
    EXPECT_NEAR(BodyAreaOfMaterial(diff.get(), 1), 23.0, kTol);
    EXPECT_NEAR(BodyAreaOfMaterial(diff.get(), 2), 5.0, kTol);
}

TEST_F(ModelbridgeBoolean, AResultWithHolesGoesIntoTheNextBoolean) {
    // The union's x = 2 face has a hole where the bar leaves the cube; as planes without
    // holes the body is a valid operand again.
    auto a = Hold(A());
    auto b = Hold(B());
    auto sum = Hold(Modeler()->BooleanAdd(a.get(), nullptr, b.get(), nullptr, nullptr));
    ASSERT_NE(sum.get(), nullptr);
    auto cutter = Hold(MakeBoxBody(-1, -1, 1.75, 4, 4, 3, {3, 300, 30}));
    auto cut = Hold(Modeler()->BooleanSub(sum.get(), nullptr, cutter.get(), nullptr, nullptr));
    ASSERT_NE(cut.get(), nullptr);
    EXPECT_NEAR(BodyVolume(cut.get()), 9.0 - 2 * 2 * 0.25, kTol);
    EXPECT_NEAR(BodyAreaOfMaterial(cut.get(), 3), 4.0, kTol);
}

TEST_F(PluginTest, AnLShapedBuildingWithAPassageThroughItsWing) {
    // The wing of the L is 3 deep (y from -4 to -1 where x > 14); the passage runs through
    // it from front to back.
    auto building = Hold(pktest::MakeLBuildingBody(10, -4, 0, {1, 100, 10}));
    auto passage = Hold(MakeBoxBody(15, -5, 1, 17, 0, 2, {2, 200, 20}));
    auto result =
        Hold(Modeler()->BooleanSub(building.get(), nullptr, passage.get(), nullptr, nullptr));
    ASSERT_NE(result.get(), nullptr);
    EXPECT_NEAR(BodyVolume(result.get()), 108.0 - 2 * 3 * 1, kTol);
    // Two side walls of 3 × 1, floor and ceiling of 2 × 3.
    EXPECT_NEAR(BodyAreaOfMaterial(result.get(), 2), 2 * 3 + 2 * 6, kTol);
    EXPECT_EQ(Modeler()->IsClosedWireBody(result.get()), 1);
}

TEST_F(PluginTest, SliceByPlaneCutsAtTheHostsPlaneNotItsMirror) {
    auto box = Hold(MakeBoxBody(-5, -5, -5, 5, 5, 5));
    double plane[4] = {0, 0, 2, 4};  // 2z = 4: z = 2
    Sheetlink_Body* below = nullptr;
    Sheetlink_Body* above = nullptr;
    ASSERT_TRUE(
        Modeler()->SliceByPlane(box.get(), nullptr, plane, true, &below, nullptr, &above, nullptr));
    auto lower = Hold(below);
    auto upper = Hold(above);
    ASSERT_NE(lower.get(), nullptr);
    ASSERT_NE(upper.get(), nullptr);
    EXPECT_NEAR(BodyVolume(below), 700.0, 1e-9 * 700);
    EXPECT_NEAR(BodyVolume(above), 300.0, 1e-9 * 300);
    EXPECT_EQ(Modeler()->IsClosedWireBody(below), 1);
    EXPECT_EQ(plane[0], 0.0);
    EXPECT_EQ(plane[1], 0.0);
    EXPECT_EQ(plane[2], 1.0);
    EXPECT_EQ(plane[3], -2.0);
}

TEST_F(PluginTest, SliceByPlaneFailuresGiveFalseAndNullOutputs) {
    auto box = Hold(MakeBoxBody(-5, -5, -5, 5, 5, 5));
    auto empty = Hold(new Sheetlink_Body());
    Sheetlink_Body* const sentinel = box.get();
    auto expectFailure = [&](Sheetlink_Body* body, double* plane) {
        Sheetlink_Body* out1 = sentinel;
        Sheetlink_Body* out2 = sentinel;
        EXPECT_FALSE(
            Modeler()->SliceByPlane(body, nullptr, plane, true, &out1, nullptr, &out2, nullptr));
        EXPECT_EQ(out1, nullptr);
        EXPECT_EQ(out2, nullptr);
    };
    double plane[4] = {0, 0, 1, 0};
    expectFailure(nullptr, plane);
    expectFailure(empty.get(), plane);
    double zero[4] = {0, 0, 0, 1};
    expectFailure(box.get(), zero);
    double far[4] = {0, 0, 1, 50};  // misses the box: nothing is cut
    expectFailure(box.get(), far);
    double nan[4] = {0, 0, 1, std::numeric_limits<double>::quiet_NaN()};
    expectFailure(box.get(), nan);
}

TEST_F(PluginTest, SliceBySurfaceSplitsABoxByAnOpenSheet) {
    auto box = Hold(MakeBoxBody(0, 0, 0, 2, 2, 2, {1, 100, 10}));
    // One sheet plane at z = 0.5 reaching past the box, facing up.
    auto sheet = Hold(
        pktest::MakeBody({{{-5, -5, 0.5}, {5, -5, 0.5}, {5, 5, 0.5}, {-5, 5, 0.5}}}, {2, 200, 20}));
    Sheetlink_Body* faced = nullptr;
    Sheetlink_Body* behind = nullptr;
    ASSERT_TRUE(Modeler()->SliceBySurface(box.get(), nullptr, sheet.get(), &faced, nullptr, &behind,
                                          nullptr));
    auto up = Hold(faced);
    auto down = Hold(behind);
    // The parts above and below the sheet; which output gets which follows the normal the
    // surface clean-up settles on for the open sheet, not the ring the host gave.
    const double v1 = BodyVolume(faced), v2 = BodyVolume(behind);
    EXPECT_NEAR(std::min(v1, v2), 2.0, kTol);
    EXPECT_NEAR(std::max(v1, v2), 6.0, kTol);
    // Each part is closed by its own piece of the sheet, which keeps the sheet's material.
    EXPECT_NEAR(BodyAreaOfMaterial(faced, 2), 4.0, kTol);
    EXPECT_NEAR(BodyAreaOfMaterial(behind, 2), 4.0, kTol);

    // A closed tool does not divide the body: false, both outputs null.
    auto closedTool = Hold(MakeBoxBody(1, 1, 1, 3, 3, 3));
    Sheetlink_Body* out1 = box.get();
    Sheetlink_Body* out2 = box.get();
    EXPECT_FALSE(Modeler()->SliceBySurface(box.get(), nullptr, closedTool.get(), &out1, nullptr,
                                           &out2, nullptr));
    EXPECT_EQ(out1, nullptr);
    EXPECT_EQ(out2, nullptr);
}

TEST_F(PluginTest, BlendsRoundAnEdgeAndACornerOfABody) {
    auto box = Hold(MakeBoxBody(0, 0, 0, 2, 2, 2));
    double p[3] = {0, 0, 2};
    double q[3] = {2, 0, 2};
    auto edge = Hold(Modeler()->BooleanBlend(box.get(), nullptr, p, q, 0.5, 0.5, 8));
    ASSERT_NE(edge.get(), nullptr);
    // The quarter-round takes less than the 0.5 × 0.5 square of the edge, along its length 2.
    const double v = BodyVolume(edge.get());
    EXPECT_LT(v, 8.0 - 1e-3);
    EXPECT_GT(v, 8.0 - 2 * 0.25);
    EXPECT_EQ(Modeler()->IsClosedWireBody(edge.get()), 1);

    double corner[3] = {2, 2, 2};
    auto round = Hold(Modeler()->BlendCorner(box.get(), nullptr, corner, 0.5, 8));
    ASSERT_NE(round.get(), nullptr);
    EXPECT_LT(BodyVolume(round.get()), 8.0 - 1e-4);
    EXPECT_GT(BodyVolume(round.get()), 8.0 - 0.125);
    EXPECT_EQ(Modeler()->BooleanBlend(nullptr, nullptr, p, q, 0.5, 0.5, 8), nullptr);
}

TEST_F(PluginTest, IsClosedWireBodyJudgesTheShapeNotTheEdgesVisibility) {
    auto box = Hold(MakeBoxBody(0, 0, 0, 1, 2, 3));
    EXPECT_EQ(Modeler()->IsClosedWireBody(box.get()), 1);
    auto open = Hold(pktest::MakeBody({{{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {1, 3, 0}, {0, 2, 0}}}));
    EXPECT_EQ(Modeler()->IsClosedWireBody(open.get()), 0);
    FPOINT* p = open->GetVerticesForIndexedPlane(0);
    for (int k = 0; k < open->GetNumVerticesForIndexedPlane(0); ++k) p[k].hidden = 1;
    EXPECT_EQ(Modeler()->IsClosedWireBody(open.get()), 0);
    EXPECT_EQ(Modeler()->IsClosedWireBody(nullptr), 0);
}

TEST_F(PluginTest, MissingOperandsGiveNoBody) {
    auto box = Hold(MakeBoxBody(0, 0, 0, 1, 1, 1));
    EXPECT_EQ(Modeler()->BooleanAdd(box.get(), nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(Modeler()->BooleanSub(nullptr, nullptr, box.get(), nullptr, nullptr), nullptr);
    auto far = Hold(MakeBoxBody(5, 5, 5, 6, 6, 6));
    EXPECT_EQ(Modeler()->BooleanCommon(box.get(), nullptr, far.get(), nullptr, nullptr), nullptr);
    EXPECT_EQ(Modeler()->BooleanMerge(box.get(), nullptr, far.get(), nullptr), nullptr);
    Modeler()->DeleteBody(nullptr);
}

TEST_F(PluginTest, TheFixedAnswersComeThroughTheInterface) {
    G3AbstractModeler* m = Modeler();
    EXPECT_STREQ(m->___GetClassName(), "G3AbstractModeler");
    EXPECT_EQ(m->GetType(), 0);
    EXPECT_STREQ(m->GetName(), "");
    EXPECT_EQ(m->GetMaximumModelerValue(), 1e39);
    EXPECT_EQ(m->GetMinimumModelerValue(), -1e39);
    EXPECT_EQ(m->GetFaceterType(), 0);
    m->SetFaceterType(5);
    EXPECT_EQ(m->GetFaceterType(), 0);
    EXPECT_EQ(m->GetFaceterMode(), 0);
    EXPECT_TRUE(m->IsSolidBody(nullptr));
    EXPECT_EQ(m->IsSheetBody(nullptr), 1);
    EXPECT_EQ(m->GetSurfaceTolerance(), 1.0);
    EXPECT_EQ(m->MakeBlock(nullptr, nullptr), nullptr);
    EXPECT_EQ(m->GetAbstractSaveRestore(), nullptr);
    EXPECT_EQ(m->GetLastError(), nullptr);
    EXPECT_EQ(m->Reserved1(), 0);
    EXPECT_EQ(m->Reserved2(), 0);
    EXPECT_EQ(m->Reserved3(), 0);
}

}  // namespace
