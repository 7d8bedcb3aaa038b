// The modeler's virtual-table layout: a host built against the interface calls a plug-in
// built apart from it by slot number, so every operation must sit in its own slot.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "polykern/modeler/G3AbstractModeler.h"

namespace {

// The virtual-table entry of a virtual member function: under the Itanium ABI its pointer
// to member holds 1 + the entry's byte offset. The destructor (slot 1) takes two entries,
// so every slot after it is one entry further on.
template <class F>
long SlotOf(F f) {
    static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t), "Itanium pointers to members");
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &f, sizeof raw);
    const long entry = static_cast<long>((raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
    return entry == 0 ? 0 : entry - 1;
}

struct Slot {
    long at;
    long expected;
    const char* name;
};

#define PK_SLOT(n, R, name, args)                                                             \
    Slot {                                                                                    \
        SlotOf(static_cast<R(G3AbstractModeler::*) args>(&G3AbstractModeler::name)), n, #name \
    }

const Slot kSlots[] = {
    PK_SLOT(8, bool, IsSolidBody, (Sheetlink_Body*)),
    PK_SLOT(9, int, IsSheetBody, (Sheetlink_Body*)),
    PK_SLOT(10, Sheetlink_Body*, DuplicateBody, (Sheetlink_Body*)),
    PK_SLOT(11, void, DeleteBody, (Sheetlink_Body*)),
    PK_SLOT(12, void, GetBodyRepresentation, (G3Surface*, Sheetlink_Body**, bool)),
    PK_SLOT(13, G3Surface*, GetFacetRepresentation, (Sheetlink_Body*, int)),
    PK_SLOT(14, void, Transform, (Sheetlink_Body*, MatrixStruct*)),
    PK_SLOT(15, void, SetBodyMatrix, (Sheetlink_Body*, MatrixStruct*)),
    PK_SLOT(16, void, CombineBody, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(17, int, GetFaceterType, ()),
    PK_SLOT(18, unsigned short, GetFaceterMode, ()),
    PK_SLOT(19, void, SetFaceterType, (int)),
    PK_SLOT(20, void, SetFaceterMode, (unsigned short)),
    PK_SLOT(21, double, GetSurfaceTolerance, ()),
    PK_SLOT(22, void, SetSurfaceTolerance, (double)),
    PK_SLOT(23, double, GetSurfaceNormalsTolerance, ()),
    PK_SLOT(24, void, SetSurfaceNormalsTolerance, (double)),
    PK_SLOT(25, double, GetEdgeLength, ()),
    PK_SLOT(26, void, SetEdgeLength, (double)),
    PK_SLOT(27, void, InitializeBodyID, (Sheetlink_Body*, int)),
    PK_SLOT(28, void, CopyBodyID, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(29, void, DeletePlane, (Sheetlink_Body*, int)),
    PK_SLOT(30, bool, CheckWireSelfIntersect, (Sheetlink_Body*)),
    PK_SLOT(31,
            Sheetlink_Body*,
            BooleanAdd,
            (Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*, MatrixStruct**)),
    PK_SLOT(32,
            Sheetlink_Body*,
            BooleanSub,
            (Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*, MatrixStruct**)),
    PK_SLOT(33,
            Sheetlink_Body*,
            BooleanCommon,
            (Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*, MatrixStruct**)),
    PK_SLOT(34,
            Sheetlink_Body*,
            BooleanBlend,
            (Sheetlink_Body*, MatrixStruct*, double*, double*, double, double, int)),
    PK_SLOT(
        35, Sheetlink_Body*, BlendCorner, (Sheetlink_Body*, MatrixStruct*, double*, double, int)),
    PK_SLOT(36,
            Sheetlink_Body*,
            BooleanMerge,
            (Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*)),
    PK_SLOT(37,
            Sheetlink_Body*,
            BooleanMerge,
            (Sheetlink_Body*, MatrixStruct*, Sheetlink_Body*, MatrixStruct*, MatrixStruct**)),
    PK_SLOT(38,
            bool,
            SliceByPlane,
            (Sheetlink_Body*,
             MatrixStruct*,
             double*,
             bool,
             Sheetlink_Body**,
             MatrixStruct**,
             Sheetlink_Body**,
             MatrixStruct**)),
    PK_SLOT(39,
            bool,
            SliceBySurface,
            (Sheetlink_Body*,
             MatrixStruct*,
             Sheetlink_Body*,
             Sheetlink_Body**,
             MatrixStruct**,
             Sheetlink_Body**,
             MatrixStruct**)),
    PK_SLOT(40, bool, BooleanSection, (Sheetlink_Body*, MatrixStruct*, double*, GraphicStruct**)),
    PK_SLOT(41, Sheetlink_Body*, MakeSphere, (const double*, double)),
    PK_SLOT(42, Sheetlink_Body*, MakeBlock, (const double*, const double*)),
    PK_SLOT(43, Sheetlink_Body*, MakeSweep, (Sheetlink_Body*, Sheetlink_Body*, CSweepOptions*)),
    PK_SLOT(44, Sheetlink_Body*, MakeThickness, (Sheetlink_Body*, double)),
    PK_SLOT(45, Sheetlink_Body*, MakeSpin, (Sheetlink_Body*, const double*, const double*, double)),
    PK_SLOT(46,
            Sheetlink_Body*,
            MakeSpin,
            (Sheetlink_Body*, const double*, const double*, double, int)),
    PK_SLOT(47, Sheetlink_Body*, MakeExtrude, (Sheetlink_Body*, const double*)),
    PK_SLOT(48, Sheetlink_Body*, MakeExtrude, (Sheetlink_Body*, const double*, double)),
    PK_SLOT(49, Sheetlink_Body*, MakeLoft, (Sheetlink_Body**, int)),
    PK_SLOT(50, Sheetlink_Body*, MakeBSplineSurface, (int, int, const double*)),
    PK_SLOT(51, Sheetlink_Body*, MakeSheetBodyByFacets, (int, VertexStruct*)),
    PK_SLOT(52, Sheetlink_Body*, MakeVolumeBodyByFacets, (int, VertexStruct*)),
    PK_SLOT(53, Sheetlink_Body*, MakeCoverContour2D, (int, const double*)),
    PK_SLOT(54, Sheetlink_Body*, MakeCoverUnclosedSheetBody, (Sheetlink_Body*)),
    PK_SLOT(55, Sheetlink_Body*, NURBSToWireBody, (int, int, const double*, const double*)),
    PK_SLOT(56,
            Sheetlink_Body*,
            NURBSToWireBody,
            (int, int, const double*, const double*, const double*)),
    PK_SLOT(
        57, Sheetlink_Body*, ArcToWireBody, (const double*, const double*, double, double, double)),
    PK_SLOT(58, Sheetlink_Body*, BezierToWireBody, (int, const double*)),
    PK_SLOT(59, Sheetlink_Body*, PolylineToWireBody, (int, const double*, bool)),
    PK_SLOT(
        60, Sheetlink_Body*, BulgePolylineToWireBody, (int, const double*, const double*, bool)),
    PK_SLOT(61, Sheetlink_Body*, CompoundProfileToWireBody, (GraphicStruct*)),
    PK_SLOT(62, Sheetlink_Body*, GraphicToWireBody, (GraphicStruct*)),
    PK_SLOT(63, Sheetlink_Body*, CoverWireBody, (Sheetlink_Body*)),
    PK_SLOT(64, Sheetlink_Body*, UncoverSheetBody, (Sheetlink_Body*)),
    PK_SLOT(65, Sheetlink_Body*, UniteWireBodies, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(66, Sheetlink_Body*, AcisRegionAdd, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(67, Sheetlink_Body*, AcisRegionInt, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(68, Sheetlink_Body*, AcisRegionSub, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(69, GraphicStruct*, GetRegionGeometry, (Sheetlink_Body*)),
    PK_SLOT(70, bool, LoadRegionFrom, (GFileInterface*, Sheetlink_Body**)),
    PK_SLOT(71, bool, ConvertSolidToSurface, (Sheetlink_Body*)),
    PK_SLOT(72, bool, ConvertSurfaceToSolid, (Sheetlink_Body*)),
    PK_SLOT(73, Sheetlink_Body*, ConvertMeshToNurbs, (Sheetlink_Body*)),
    PK_SLOT(74, int, IsClosedWireBody, (Sheetlink_Body*)),
    PK_SLOT(75, Sheetlink_Body*, ConvertMeshToSurface, (Sheetlink_Body*)),
    PK_SLOT(76, Sheetlink_Body*, BSplineCurveModify, (Sheetlink_Body*, int, const double*)),
    PK_SLOT(77, Sheetlink_Body*, BSplineSurfaceModify, (Sheetlink_Body*, int, int, const double*)),
    PK_SLOT(78, int, UpdateBSplineParameters, (Sheetlink_Body*)),
    PK_SLOT(79, int, GetBSplineIsoLine, (Sheetlink_Body*, bool, double, GraphicStruct**)),
    PK_SLOT(80, GraphicStruct*, GetBSplineRepresentation, (Sheetlink_Body*)),
    PK_SLOT(81, int, IsBodyOKToHeal, (Sheetlink_Body*)),
    PK_SLOT(82, int, IsBodyWasHeal, (Sheetlink_Body*)),
    PK_SLOT(83, Sheetlink_Body*, BodyAutoHealing, (Sheetlink_Body*)),
    PK_SLOT(84, bool, StoreTo, (Sheetlink_Body*, GFileInterface*)),
    PK_SLOT(85, bool, LoadFrom, (GFileInterface*, Sheetlink_Body**)),
    PK_SLOT(86, double, GetMaximumModelerValue, () const),
    PK_SLOT(87, double, GetMinimumModelerValue, () const),
    PK_SLOT(88, bool, LoadFrom, (std::streambuf*, Sheetlink_Body**)),
    PK_SLOT(89, GAbstractSaveRestore*, GetAbstractSaveRestore, ()),
    PK_SLOT(90, bool, GetAcisAttribute, (Sheetlink_Body*, const char*, int*)),
    PK_SLOT(91, bool, SetAcisAttribute, (Sheetlink_Body*, const char*, int)),
    PK_SLOT(92, void, GetAllAcisBody, (ENTITY_LIST*)),
    PK_SLOT(93, bool, BodyGetCenterOfGravity, (Sheetlink_Body*, double*)),
    PK_SLOT(
        94, bool, BodyGetCenterOfFaceHit, (Sheetlink_Body*, const double*, const double*, double*)),
    PK_SLOT(95, bool, BodyGetHitFace, (Sheetlink_Body*, const double*, const double*, FACE**)),
    PK_SLOT(
        96, bool, BodyGetHitFaces, (Sheetlink_Body*, const double*, const double*, ENTITY_LIST*)),
    PK_SLOT(97, bool, CalculateMassPropertiesOfBody, (Sheetlink_Body*, double*, double*, double*)),
    PK_SLOT(98, MatrixStruct*, BuildFaceCS, (FACE*)),
    PK_SLOT(99, MatrixStruct*, FacesTransform, (ENTITY_LIST*, MatrixStruct*)),
    PK_SLOT(100, MatrixStruct*, GetRealTransform, (Sheetlink_Body*)),
    PK_SLOT(101, MatrixStruct*, DivideBodyMatrixToTcAndAcisParts, (Sheetlink_Body*, MatrixStruct*)),
    PK_SLOT(102, Sheetlink_Body*, ReplaceReferencePoint, (Sheetlink_Body*, const double*)),
    PK_SLOT(103, GraphicStruct*, Section_CalculateByPlane, (Sheetlink_Body*, plane*)),
    PK_SLOT(104, GraphicStruct*, Section_CalculateMain, (Sheetlink_Body**, int, plane*)),
    PK_SLOT(105, void, Section_CalculateBorder, (GraphicStruct*)),
    PK_SLOT(106, void, Section_CreateGraphics, (GraphicStruct*)),
    PK_SLOT(107, Sheetlink_Body*, Chop_Calculate, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(108, void, PHL_Calculate, (Sheetlink_Body**, int, MatrixStruct*)),
    PK_SLOT(109, void, PHL_CreateGraphics, (GraphicStruct**)),
    PK_SLOT(110, void, PHL_Dispose, ()),
    PK_SLOT(111, GraphicStruct*, CreateGraphicByBoundedCurve, (Sheetlink_Body*)),
    PK_SLOT(112, GraphicStruct*, CreateGraphicByPHLSegment, (int)),
    PK_SLOT(113, void, Camera_Calculate, (MatrixStruct*)),
    PK_SLOT(114, void, GraphicSetDOProperties, (GraphicStruct*, int)),
    PK_SLOT(115, void, SelectBodiesFromGraphics, (GraphicStruct*, ENTITY_LIST*)),
    PK_SLOT(116, void, MakeCurveProjection, (Sheetlink_Body*, Sheetlink_Body*, const double*)),
    PK_SLOT(117, void, MakeIntersectionCurve, (Sheetlink_Body*, Sheetlink_Body*)),
    PK_SLOT(118, void*, InitBlendingTool, (Sheetlink_Body*)),
    PK_SLOT(119, void, DisposeBlendingTool, (void*)),
    PK_SLOT(120, void, CopyBlendingAttributesForID, (int, int)),
    PK_SLOT(121, void*, InitFacetEditTool, (Sheetlink_Body*)),
    PK_SLOT(122, void, DisposeFacetEditTool, (void*)),
    PK_SLOT(123, void*, InitShellingTool, (Sheetlink_Body*)),
    PK_SLOT(124, void, DisposeShellingTool, (void*)),
    PK_SLOT(125, void, CopyShellingAttributesForID, (int, int)),
    PK_SLOT(126, CSweepOptions*, CreateSweepOptions, ()),
    PK_SLOT(127, void, UpdateFreeLists, ()),
    PK_SLOT(128, const char*, GetLastError, ()),
    PK_SLOT(129, int, Reserved1, ()),
    PK_SLOT(130, Sheetlink_Body*, MakeSheetBodyByBody, (Sheetlink_Body*)),
    PK_SLOT(131, int, Reserved2, ()),
    PK_SLOT(132, int, Reserved3, ()),
};

TEST(G3AbstractModeler, EveryOperationSitsInItsSlot) {
    std::set<long> taken;
    for (const Slot& s : kSlots) {
        EXPECT_EQ(s.at, s.expected) << s.name;
        EXPECT_TRUE(taken.insert(s.at).second) << s.name << " shares a slot";
    }
    // 125 operations fill slots 8 to 132 without a gap.
    ASSERT_EQ(taken.size(), 125u);
    EXPECT_EQ(*taken.begin(), 8);
    EXPECT_EQ(*taken.rbegin(), 132);
}

TEST(G3AbstractModeler, TheDynamicClassSlotsComeFirst) {
    EXPECT_EQ(SlotOf(&GObj::print), 0);
    EXPECT_EQ(SlotOf(&GObj::Copy), 2);
    EXPECT_EQ(SlotOf(&GObj::Duplicate), 3);
    EXPECT_EQ(SlotOf(&GDynamicClass::___GetClassName), 4);
    EXPECT_EQ(SlotOf(&GDynamicClass::GetType), 5);
    EXPECT_EQ(SlotOf(&GDynamicClass::GetName), 6);
    EXPECT_EQ(SlotOf(&GDynamicClass::MayBeUnload), 7);
}

}  // namespace
