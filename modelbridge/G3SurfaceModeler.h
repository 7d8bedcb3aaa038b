#pragma once

#include <cstdint>

#include "modelbridge/ModelbridgeExport.h"
#include "polykern/modeler/G3AbstractModeler.h"

class G3Surface;
class Sheetlink_Body;

/// The modeler of this plug-in: plane bodies become polyhedral surfaces of the kernel,
/// the kernel's Boolean calculator works on them, and the result becomes a body again, each
/// plane with the material, colour and layer of the face it came from. Operations the
/// kernel has no counterpart for give the fixed answers documented on G3AbstractModeler.
/// Holds at most two operand surfaces between calls (left by an operation that stopped
/// half-way); the next operation and the destructor release them. Not copyable.
class MODELBRIDGE_API G3SurfaceModeler : public G3AbstractModeler {
public:
    G3SurfaceModeler();
    /// Destroys the operands still held.
    ~G3SurfaceModeler() override;

    /// The operand surfaces held since the last operation; null when idle.
    G3Surface* GetOperandA() const { return m_A; }
    G3Surface* GetOperandB() const { return m_B; }

    // The modeler operations in their slot order; each contract is on G3AbstractModeler.
    // Bodies, conversions and settings: slots 8 to 30.
    bool IsSolidBody(Sheetlink_Body* body) override;
    int IsSheetBody(Sheetlink_Body* body) override;
    Sheetlink_Body* DuplicateBody(Sheetlink_Body* body) override;
    void DeleteBody(Sheetlink_Body* body) override;
    void GetBodyRepresentation(G3Surface* surface, Sheetlink_Body** out, bool flag) override;
    G3Surface* GetFacetRepresentation(Sheetlink_Body* body, int mode) override;
    void Transform(Sheetlink_Body* body, MatrixStruct* matrix) override;
    void SetBodyMatrix(Sheetlink_Body* body, MatrixStruct* matrix) override;
    void CombineBody(Sheetlink_Body* target, Sheetlink_Body* other) override;
    int GetFaceterType() override;
    unsigned short GetFaceterMode() override;
    void SetFaceterType(int type) override;
    void SetFaceterMode(unsigned short mode) override;
    double GetSurfaceTolerance() override;
    void SetSurfaceTolerance(double tolerance) override;
    double GetSurfaceNormalsTolerance() override;
    void SetSurfaceNormalsTolerance(double tolerance) override;
    double GetEdgeLength() override;
    void SetEdgeLength(double length) override;
    void InitializeBodyID(Sheetlink_Body* body, int id) override;
    void CopyBodyID(Sheetlink_Body* to, Sheetlink_Body* from) override;
    void DeletePlane(Sheetlink_Body* body, int index) override;
    bool CheckWireSelfIntersect(Sheetlink_Body* wire) override;

    // Booleans, blends and slices: slots 31 to 40.
    Sheetlink_Body* BooleanAdd(Sheetlink_Body* a,
                               MatrixStruct* ma,
                               Sheetlink_Body* b,
                               MatrixStruct* mb,
                               MatrixStruct** mr) override;
    Sheetlink_Body* BooleanSub(Sheetlink_Body* a,
                               MatrixStruct* ma,
                               Sheetlink_Body* b,
                               MatrixStruct* mb,
                               MatrixStruct** mr) override;
    Sheetlink_Body* BooleanCommon(Sheetlink_Body* a,
                                  MatrixStruct* ma,
                                  Sheetlink_Body* b,
                                  MatrixStruct* mb,
                                  MatrixStruct** mr) override;
    Sheetlink_Body* BooleanBlend(Sheetlink_Body* body,
                                 MatrixStruct* matrix,
                                 double* p,
                                 double* q,
                                 double r1,
                                 double r2,
                                 int n) override;
    Sheetlink_Body* BlendCorner(
        Sheetlink_Body* body, MatrixStruct* matrix, double* p, double r, int n) override;
    Sheetlink_Body* BooleanMerge(Sheetlink_Body* a,
                                 MatrixStruct* ma,
                                 Sheetlink_Body* b,
                                 MatrixStruct* mb) override;
    Sheetlink_Body* BooleanMerge(Sheetlink_Body* a,
                                 MatrixStruct* ma,
                                 Sheetlink_Body* b,
                                 MatrixStruct* mb,
                                 MatrixStruct** mr) override;
    bool SliceByPlane(Sheetlink_Body* body,
                      MatrixStruct* matrix,
                      double* plane,
                      bool flag,
                      Sheetlink_Body** out1,
                      MatrixStruct** m1,
                      Sheetlink_Body** out2,
                      MatrixStruct** m2) override;
    bool SliceBySurface(Sheetlink_Body* body,
                        MatrixStruct* matrix,
                        Sheetlink_Body* tool,
                        Sheetlink_Body** out1,
                        MatrixStruct** m1,
                        Sheetlink_Body** out2,
                        MatrixStruct** m2) override;
    bool BooleanSection(Sheetlink_Body* body,
                        MatrixStruct* matrix,
                        double* plane,
                        GraphicStruct** out) override;

    // Body construction: slots 41 to 68.
    Sheetlink_Body* MakeSphere(const double* centre, double radius) override;
    Sheetlink_Body* MakeBlock(const double* corner1, const double* corner2) override;
    Sheetlink_Body* MakeSweep(Sheetlink_Body* profile,
                              Sheetlink_Body* path,
                              CSweepOptions* options) override;
    Sheetlink_Body* MakeThickness(Sheetlink_Body* sheet, double thickness) override;
    Sheetlink_Body* MakeSpin(Sheetlink_Body* profile,
                             const double* axisPoint,
                             const double* axisDirection,
                             double angle) override;
    Sheetlink_Body* MakeSpin(Sheetlink_Body* profile,
                             const double* axisPoint,
                             const double* axisDirection,
                             double angle,
                             int steps) override;
    Sheetlink_Body* MakeExtrude(Sheetlink_Body* profile, const double* direction) override;
    Sheetlink_Body* MakeExtrude(Sheetlink_Body* profile,
                                const double* direction,
                                double draftAngle) override;
    Sheetlink_Body* MakeLoft(Sheetlink_Body** sections, int count) override;
    Sheetlink_Body* MakeBSplineSurface(int uCount,
                                       int vCount,
                                       const double* controlPoints) override;
    Sheetlink_Body* MakeSheetBodyByFacets(int count, VertexStruct* vertices) override;
    Sheetlink_Body* MakeVolumeBodyByFacets(int count, VertexStruct* vertices) override;
    Sheetlink_Body* MakeCoverContour2D(int count, const double* points) override;
    Sheetlink_Body* MakeCoverUnclosedSheetBody(Sheetlink_Body* sheet) override;
    Sheetlink_Body* NURBSToWireBody(int degree,
                                    int count,
                                    const double* controlPoints,
                                    const double* knots) override;
    Sheetlink_Body* NURBSToWireBody(int degree,
                                    int count,
                                    const double* controlPoints,
                                    const double* knots,
                                    const double* weights) override;
    Sheetlink_Body* ArcToWireBody(const double* centre,
                                  const double* normal,
                                  double radius,
                                  double startAngle,
                                  double endAngle) override;
    Sheetlink_Body* BezierToWireBody(int count, const double* controlPoints) override;
    Sheetlink_Body* PolylineToWireBody(int count, const double* points, bool closed) override;
    Sheetlink_Body* BulgePolylineToWireBody(int count,
                                            const double* points,
                                            const double* bulges,
                                            bool closed) override;
    Sheetlink_Body* CompoundProfileToWireBody(GraphicStruct* profile) override;
    Sheetlink_Body* GraphicToWireBody(GraphicStruct* graphic) override;
    Sheetlink_Body* CoverWireBody(Sheetlink_Body* wire) override;
    Sheetlink_Body* UncoverSheetBody(Sheetlink_Body* sheet) override;
    Sheetlink_Body* UniteWireBodies(Sheetlink_Body* a, Sheetlink_Body* b) override;
    Sheetlink_Body* AcisRegionAdd(Sheetlink_Body* a, Sheetlink_Body* b) override;
    Sheetlink_Body* AcisRegionInt(Sheetlink_Body* a, Sheetlink_Body* b) override;
    Sheetlink_Body* AcisRegionSub(Sheetlink_Body* a, Sheetlink_Body* b) override;

    // Checks, B-splines, healing and storage: slots 69 to 89.
    GraphicStruct* GetRegionGeometry(Sheetlink_Body* region) override;
    bool LoadRegionFrom(GFileInterface* file, Sheetlink_Body** out) override;
    bool ConvertSolidToSurface(Sheetlink_Body* body) override;
    bool ConvertSurfaceToSolid(Sheetlink_Body* body) override;
    Sheetlink_Body* ConvertMeshToNurbs(Sheetlink_Body* mesh) override;
    int IsClosedWireBody(Sheetlink_Body* body) override;
    Sheetlink_Body* ConvertMeshToSurface(Sheetlink_Body* mesh) override;
    Sheetlink_Body* BSplineCurveModify(Sheetlink_Body* curve,
                                       int index,
                                       const double* point) override;
    Sheetlink_Body* BSplineSurfaceModify(Sheetlink_Body* surface,
                                         int u,
                                         int v,
                                         const double* point) override;
    int UpdateBSplineParameters(Sheetlink_Body* body) override;
    int GetBSplineIsoLine(Sheetlink_Body* body,
                          bool uDirection,
                          double parameter,
                          GraphicStruct** out) override;
    GraphicStruct* GetBSplineRepresentation(Sheetlink_Body* body) override;
    int IsBodyOKToHeal(Sheetlink_Body* body) override;
    int IsBodyWasHeal(Sheetlink_Body* body) override;
    Sheetlink_Body* BodyAutoHealing(Sheetlink_Body* body) override;
    bool StoreTo(Sheetlink_Body* body, GFileInterface* file) override;
    bool LoadFrom(GFileInterface* file, Sheetlink_Body** out) override;
    double GetMaximumModelerValue() const override;
    double GetMinimumModelerValue() const override;
    bool LoadFrom(std::streambuf* stream, Sheetlink_Body** out) override;
    GAbstractSaveRestore* GetAbstractSaveRestore() override;

    // Attributes, mass properties and transforms: slots 90 to 102.
    bool GetAcisAttribute(Sheetlink_Body* body, const char* name, int* value) override;
    bool SetAcisAttribute(Sheetlink_Body* body, const char* name, int value) override;
    void GetAllAcisBody(ENTITY_LIST* out) override;
    bool BodyGetCenterOfGravity(Sheetlink_Body* body, double* centre) override;
    bool BodyGetCenterOfFaceHit(Sheetlink_Body* body,
                                const double* rayStart,
                                const double* rayDirection,
                                double* centre) override;
    bool BodyGetHitFace(Sheetlink_Body* body,
                        const double* rayStart,
                        const double* rayDirection,
                        FACE** face) override;
    bool BodyGetHitFaces(Sheetlink_Body* body,
                         const double* rayStart,
                         const double* rayDirection,
                         ENTITY_LIST* faces) override;
    bool CalculateMassPropertiesOfBody(Sheetlink_Body* body,
                                       double* volume,
                                       double* centre,
                                       double* inertia) override;
    MatrixStruct* BuildFaceCS(FACE* face) override;
    MatrixStruct* FacesTransform(ENTITY_LIST* faces, MatrixStruct* matrix) override;
    MatrixStruct* GetRealTransform(Sheetlink_Body* body) override;
    MatrixStruct* DivideBodyMatrixToTcAndAcisParts(Sheetlink_Body* body,
                                                   MatrixStruct* matrix) override;
    Sheetlink_Body* ReplaceReferencePoint(Sheetlink_Body* body, const double* point) override;

    // Sections, hidden lines and graphics: slots 103 to 117.
    GraphicStruct* Section_CalculateByPlane(Sheetlink_Body* body, plane* cut) override;
    GraphicStruct* Section_CalculateMain(Sheetlink_Body** bodies, int count, plane* cut) override;
    void Section_CalculateBorder(GraphicStruct* section) override;
    void Section_CreateGraphics(GraphicStruct* section) override;
    Sheetlink_Body* Chop_Calculate(Sheetlink_Body* body, Sheetlink_Body* tool) override;
    void PHL_Calculate(Sheetlink_Body** bodies, int count, MatrixStruct* view) override;
    void PHL_CreateGraphics(GraphicStruct** out) override;
    void PHL_Dispose() override;
    GraphicStruct* CreateGraphicByBoundedCurve(Sheetlink_Body* curve) override;
    GraphicStruct* CreateGraphicByPHLSegment(int index) override;
    void Camera_Calculate(MatrixStruct* view) override;
    void GraphicSetDOProperties(GraphicStruct* graphic, int properties) override;
    void SelectBodiesFromGraphics(GraphicStruct* graphics, ENTITY_LIST* out) override;
    void MakeCurveProjection(Sheetlink_Body* curve,
                             Sheetlink_Body* target,
                             const double* direction) override;
    void MakeIntersectionCurve(Sheetlink_Body* a, Sheetlink_Body* b) override;

    // Tools and housekeeping: slots 118 to 132.
    void* InitBlendingTool(Sheetlink_Body* body) override;
    void DisposeBlendingTool(void* tool) override;
    void CopyBlendingAttributesForID(int toId, int fromId) override;
    void* InitFacetEditTool(Sheetlink_Body* body) override;
    void DisposeFacetEditTool(void* tool) override;
    void* InitShellingTool(Sheetlink_Body* body) override;
    void DisposeShellingTool(void* tool) override;
    void CopyShellingAttributesForID(int toId, int fromId) override;
    CSweepOptions* CreateSweepOptions() override;
    void UpdateFreeLists() override;
    const char* GetLastError() override;
    int Reserved1() override;
    Sheetlink_Body* MakeSheetBodyByBody(Sheetlink_Body* body) override;
    int Reserved2() override;
    int Reserved3() override;

private:
    // Destroys both held operands and clears the pointers.
    void ReleaseOperands();
    // Converts both bodies into the held operands and hands them over in *first and
    // *second, the calculator consuming them; false (with the message said) when either
    // body gives none, the operands then left for ReleaseOperands.
    bool TakeOperands(Sheetlink_Body* a, Sheetlink_Body* b, G3Surface** first, G3Surface** second);
    // The road shared by the three Booleans: both bodies to operands, the calculator's
    // operation on them, the result back to a body.
    template <class Operation>
    Sheetlink_Body* RunBoolean(Sheetlink_Body* a, Sheetlink_Body* b, Operation op);
    // The road shared by both blends: one operand, the operation, the result back.
    template <class Operation>
    Sheetlink_Body* RunBlend(Sheetlink_Body* body, Operation op);
    // Converts both slice results into the outputs (true), or clears the outputs (false).
    bool FinishSlice(
        bool ok, G3Surface* r1, G3Surface* r2, Sheetlink_Body** out1, Sheetlink_Body** out2);

    int32_t m_FaceterType = 0;
    G3Surface* m_A = nullptr;
    G3Surface* m_B = nullptr;
};

/// The plug-in's factory, found by GDynamicClass::Load: a new G3SurfaceModeler, or null
/// when memory runs out. The caller releases it through GDynamicClass::Unload.
extern "C" MODELBRIDGE_API GDynamicClass* NewInstance();
