#pragma once

#include <iosfwd>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GDynamicClass.h"
#include "polykern/modeler/GAbstractSaveRestore.h"

class G3Surface;
class Sheetlink_Body;

// Host types that pass through the interface and that no modeler of this system looks into.
struct MatrixStruct;
struct GraphicStruct;
struct VertexStruct;
class CSweepOptions;
class ENTITY_LIST;
class FACE;
class plane;

/// The modeler a host talks to, whichever library implements it: 125 operations on plane
/// bodies (Sheetlink_Body), all pure here, in a fixed virtual-table order after the four
/// slots of GObj and the four of GDynamicClass (slots 8 to 132; the Itanium ABI gives the
/// destructor two entries, so slot k is virtual-table entry k + 1). A body an operation
/// returns belongs to the caller, who releases it with DeleteBody; matrices are opaque and
/// ignored by the surface modeler. Reserved slots keep the order for later operations.
class POLYKERN_API G3AbstractModeler : public GDynamicClass {
public:
    G3AbstractModeler();
    ~G3AbstractModeler() override;

    /// "G3AbstractModeler".
    const char* ___GetClassName() override;
    /// 0.
    int GetType() override;
    /// An empty string.
    const char* GetName() override;

    // Bodies, conversions and settings: slots 8 to 30.
    /// Whether the body is a solid; always true here.
    virtual bool IsSolidBody(Sheetlink_Body* body) = 0;
    /// Whether the body is an open sheet; always 1 here.
    virtual int IsSheetBody(Sheetlink_Body* body) = 0;
    /// A new body with copies of the planes' points (no colour, material or layer); null for null
    /// or when memory runs out.
    virtual Sheetlink_Body* DuplicateBody(Sheetlink_Body* body) = 0;
    /// Destroys a body made by the modeler or the host; null is ignored.
    virtual void DeleteBody(Sheetlink_Body* body) = 0;
    /// *out := a new body covering the surface's facets with planes without holes; null for a null
    /// or empty surface. `flag` is unused.
    virtual void GetBodyRepresentation(G3Surface* surface, Sheetlink_Body** out, bool flag) = 0;
    /// A new cleaned surface with one facet per plane of three or more distinct points; null for a
    /// null body or a plane that makes no facet. `mode` is unused.
    virtual G3Surface* GetFacetRepresentation(Sheetlink_Body* body, int mode) = 0;
    /// Does nothing: bodies keep the coordinates their points are stored in.
    virtual void Transform(Sheetlink_Body* body, MatrixStruct* matrix) = 0;
    /// Does nothing.
    virtual void SetBodyMatrix(Sheetlink_Body* body, MatrixStruct* matrix) = 0;
    /// Does nothing.
    virtual void CombineBody(Sheetlink_Body* target, Sheetlink_Body* other) = 0;
    /// The faceter type; 0, since SetFaceterType does nothing.
    virtual int GetFaceterType() = 0;
    /// The faceter mode; 0.
    virtual unsigned short GetFaceterMode() = 0;
    /// Does nothing.
    virtual void SetFaceterType(int type) = 0;
    /// Does nothing.
    virtual void SetFaceterMode(unsigned short mode) = 0;
    /// 1.0.
    virtual double GetSurfaceTolerance() = 0;
    /// Does nothing.
    virtual void SetSurfaceTolerance(double tolerance) = 0;
    /// 1.0.
    virtual double GetSurfaceNormalsTolerance() = 0;
    /// Does nothing.
    virtual void SetSurfaceNormalsTolerance(double tolerance) = 0;
    /// 1.0.
    virtual double GetEdgeLength() = 0;
    /// Does nothing.
    virtual void SetEdgeLength(double length) = 0;
    /// Does nothing.
    virtual void InitializeBodyID(Sheetlink_Body* body, int id) = 0;
    /// Does nothing.
    virtual void CopyBodyID(Sheetlink_Body* to, Sheetlink_Body* from) = 0;
    /// Does nothing.
    virtual void DeletePlane(Sheetlink_Body* body, int index) = 0;
    /// Always true.
    virtual bool CheckWireSelfIntersect(Sheetlink_Body* wire) = 0;

    // Booleans, blends and slices: slots 31 to 40.
    /// A new body, the union of a and b, each plane with the attributes of the face it came from;
    /// null when nothing results or an operand is missing. Matrices are ignored.
    virtual Sheetlink_Body* BooleanAdd(Sheetlink_Body* a,
                                       MatrixStruct* ma,
                                       Sheetlink_Body* b,
                                       MatrixStruct* mb,
                                       MatrixStruct** mr) = 0;
    /// A new body, a minus b; null when nothing results or an operand is missing.
    virtual Sheetlink_Body* BooleanSub(Sheetlink_Body* a,
                                       MatrixStruct* ma,
                                       Sheetlink_Body* b,
                                       MatrixStruct* mb,
                                       MatrixStruct** mr) = 0;
    /// A new body, the intersection of a and b; null when nothing results or an operand is missing.
    virtual Sheetlink_Body* BooleanCommon(Sheetlink_Body* a,
                                          MatrixStruct* ma,
                                          Sheetlink_Body* b,
                                          MatrixStruct* mb,
                                          MatrixStruct** mr) = 0;
    /// A new body with the edge p–q rounded (radius r1 at p, r2 at q, n segments); null when there
    /// is no such edge or it does not fit.
    virtual Sheetlink_Body* BooleanBlend(Sheetlink_Body* body,
                                         MatrixStruct* matrix,
                                         double* p,
                                         double* q,
                                         double r1,
                                         double r2,
                                         int n) = 0;
    /// A new body with the convex corner p rounded to radius r; null when it cannot be.
    virtual Sheetlink_Body* BlendCorner(
        Sheetlink_Body* body, MatrixStruct* matrix, double* p, double r, int n) = 0;
    /// Releases the held operands; null.
    virtual Sheetlink_Body* BooleanMerge(Sheetlink_Body* a,
                                         MatrixStruct* ma,
                                         Sheetlink_Body* b,
                                         MatrixStruct* mb) = 0;
    /// Releases the held operands; null.
    virtual Sheetlink_Body* BooleanMerge(Sheetlink_Body* a,
                                         MatrixStruct* ma,
                                         Sheetlink_Body* b,
                                         MatrixStruct* mb,
                                         MatrixStruct** mr) = 0;
    /// Cuts the body by the plane a·x + b·y + c·z = d given as (a, b, c, d), left normalised as (n,
    /// −d/|n|) in the caller's array: *out1 the part behind, *out2 the part in front, true. False
    /// with both null when the body or plane is missing or unusable or nothing is cut.
    virtual bool SliceByPlane(Sheetlink_Body* body,
                              MatrixStruct* matrix,
                              double* plane,
                              bool flag,
                              Sheetlink_Body** out1,
                              MatrixStruct** m1,
                              Sheetlink_Body** out2,
                              MatrixStruct** m2) = 0;
    /// Cuts the body by the open sheet `tool`: both parts and true; false with both null when the
    /// sheet does not divide the body.
    virtual bool SliceBySurface(Sheetlink_Body* body,
                                MatrixStruct* matrix,
                                Sheetlink_Body* tool,
                                Sheetlink_Body** out1,
                                MatrixStruct** m1,
                                Sheetlink_Body** out2,
                                MatrixStruct** m2) = 0;
    /// Always true; *out untouched.
    virtual bool BooleanSection(Sheetlink_Body* body,
                                MatrixStruct* matrix,
                                double* plane,
                                GraphicStruct** out) = 0;

    // Body construction: slots 41 to 68.
    /// Null.
    virtual Sheetlink_Body* MakeSphere(const double* centre, double radius) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeBlock(const double* corner1, const double* corner2) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeSweep(Sheetlink_Body* profile,
                                      Sheetlink_Body* path,
                                      CSweepOptions* options) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeThickness(Sheetlink_Body* sheet, double thickness) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeSpin(Sheetlink_Body* profile,
                                     const double* axisPoint,
                                     const double* axisDirection,
                                     double angle) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeSpin(Sheetlink_Body* profile,
                                     const double* axisPoint,
                                     const double* axisDirection,
                                     double angle,
                                     int steps) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeExtrude(Sheetlink_Body* profile, const double* direction) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeExtrude(Sheetlink_Body* profile,
                                        const double* direction,
                                        double draftAngle) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeLoft(Sheetlink_Body** sections, int count) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeBSplineSurface(int uCount,
                                               int vCount,
                                               const double* controlPoints) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeSheetBodyByFacets(int count, VertexStruct* vertices) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeVolumeBodyByFacets(int count, VertexStruct* vertices) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeCoverContour2D(int count, const double* points) = 0;
    /// Null.
    virtual Sheetlink_Body* MakeCoverUnclosedSheetBody(Sheetlink_Body* sheet) = 0;
    /// Null.
    virtual Sheetlink_Body* NURBSToWireBody(int degree,
                                            int count,
                                            const double* controlPoints,
                                            const double* knots) = 0;
    /// Null.
    virtual Sheetlink_Body* NURBSToWireBody(int degree,
                                            int count,
                                            const double* controlPoints,
                                            const double* knots,
                                            const double* weights) = 0;
    /// Null.
    virtual Sheetlink_Body* ArcToWireBody(const double* centre,
                                          const double* normal,
                                          double radius,
                                          double startAngle,
                                          double endAngle) = 0;
    /// Null.
    virtual Sheetlink_Body* BezierToWireBody(int count, const double* controlPoints) = 0;
    /// Null.
    virtual Sheetlink_Body* PolylineToWireBody(int count, const double* points, bool closed) = 0;
    /// Null.
    virtual Sheetlink_Body* BulgePolylineToWireBody(int count,
                                                    const double* points,
                                                    const double* bulges,
                                                    bool closed) = 0;
    /// Null.
    virtual Sheetlink_Body* CompoundProfileToWireBody(GraphicStruct* profile) = 0;
    /// Null.
    virtual Sheetlink_Body* GraphicToWireBody(GraphicStruct* graphic) = 0;
    /// Null.
    virtual Sheetlink_Body* CoverWireBody(Sheetlink_Body* wire) = 0;
    /// Null.
    virtual Sheetlink_Body* UncoverSheetBody(Sheetlink_Body* sheet) = 0;
    /// Null.
    virtual Sheetlink_Body* UniteWireBodies(Sheetlink_Body* a, Sheetlink_Body* b) = 0;
    /// Null.
    virtual Sheetlink_Body* AcisRegionAdd(Sheetlink_Body* a, Sheetlink_Body* b) = 0;
    /// Null.
    virtual Sheetlink_Body* AcisRegionInt(Sheetlink_Body* a, Sheetlink_Body* b) = 0;
    /// Null.
    virtual Sheetlink_Body* AcisRegionSub(Sheetlink_Body* a, Sheetlink_Body* b) = 0;

    // Checks, B-splines, healing and storage: slots 69 to 89.
    /// Null.
    virtual GraphicStruct* GetRegionGeometry(Sheetlink_Body* region) = 0;
    /// Always true; *out untouched.
    virtual bool LoadRegionFrom(GFileInterface* file, Sheetlink_Body** out) = 0;
    /// Always true.
    virtual bool ConvertSolidToSurface(Sheetlink_Body* body) = 0;
    /// Always true.
    virtual bool ConvertSurfaceToSolid(Sheetlink_Body* body) = 0;
    /// Null.
    virtual Sheetlink_Body* ConvertMeshToNurbs(Sheetlink_Body* mesh) = 0;
    /// 1 when the body's surface is watertight (T-junctions allowed), whatever its edges'
    /// visibility; 0 otherwise and for null.
    virtual int IsClosedWireBody(Sheetlink_Body* body) = 0;
    /// Null.
    virtual Sheetlink_Body* ConvertMeshToSurface(Sheetlink_Body* mesh) = 0;
    /// Null.
    virtual Sheetlink_Body* BSplineCurveModify(Sheetlink_Body* curve,
                                               int index,
                                               const double* point) = 0;
    /// Null.
    virtual Sheetlink_Body* BSplineSurfaceModify(Sheetlink_Body* surface,
                                                 int u,
                                                 int v,
                                                 const double* point) = 0;
    /// 1.
    virtual int UpdateBSplineParameters(Sheetlink_Body* body) = 0;
    /// 1; *out untouched.
    virtual int GetBSplineIsoLine(Sheetlink_Body* body,
                                  bool uDirection,
                                  double parameter,
                                  GraphicStruct** out) = 0;
    /// Null.
    virtual GraphicStruct* GetBSplineRepresentation(Sheetlink_Body* body) = 0;
    /// 1.
    virtual int IsBodyOKToHeal(Sheetlink_Body* body) = 0;
    /// 1.
    virtual int IsBodyWasHeal(Sheetlink_Body* body) = 0;
    /// Null.
    virtual Sheetlink_Body* BodyAutoHealing(Sheetlink_Body* body) = 0;
    /// Always true; nothing is written.
    virtual bool StoreTo(Sheetlink_Body* body, GFileInterface* file) = 0;
    /// Always true; *out untouched.
    virtual bool LoadFrom(GFileInterface* file, Sheetlink_Body** out) = 0;
    /// 1e39.
    virtual double GetMaximumModelerValue() const = 0;
    /// −1e39.
    virtual double GetMinimumModelerValue() const = 0;
    /// Always true; *out untouched.
    virtual bool LoadFrom(std::streambuf* stream, Sheetlink_Body** out) = 0;
    /// Null: no save/restore service.
    virtual GAbstractSaveRestore* GetAbstractSaveRestore() = 0;

    // Attributes, mass properties and transforms: slots 90 to 102.
    /// Always true; *value untouched.
    virtual bool GetAcisAttribute(Sheetlink_Body* body, const char* name, int* value) = 0;
    /// Always true.
    virtual bool SetAcisAttribute(Sheetlink_Body* body, const char* name, int value) = 0;
    /// Does nothing.
    virtual void GetAllAcisBody(ENTITY_LIST* out) = 0;
    /// Always true; `centre` untouched.
    virtual bool BodyGetCenterOfGravity(Sheetlink_Body* body, double* centre) = 0;
    /// Always true; `centre` untouched.
    virtual bool BodyGetCenterOfFaceHit(Sheetlink_Body* body,
                                        const double* rayStart,
                                        const double* rayDirection,
                                        double* centre) = 0;
    /// Always true; *face untouched.
    virtual bool BodyGetHitFace(Sheetlink_Body* body,
                                const double* rayStart,
                                const double* rayDirection,
                                FACE** face) = 0;
    /// Always true.
    virtual bool BodyGetHitFaces(Sheetlink_Body* body,
                                 const double* rayStart,
                                 const double* rayDirection,
                                 ENTITY_LIST* faces) = 0;
    /// Always true; the outputs untouched.
    virtual bool CalculateMassPropertiesOfBody(Sheetlink_Body* body,
                                               double* volume,
                                               double* centre,
                                               double* inertia) = 0;
    /// Null.
    virtual MatrixStruct* BuildFaceCS(FACE* face) = 0;
    /// Null.
    virtual MatrixStruct* FacesTransform(ENTITY_LIST* faces, MatrixStruct* matrix) = 0;
    /// Null.
    virtual MatrixStruct* GetRealTransform(Sheetlink_Body* body) = 0;
    /// Null.
    virtual MatrixStruct* DivideBodyMatrixToTcAndAcisParts(Sheetlink_Body* body,
                                                           MatrixStruct* matrix) = 0;
    /// Null.
    virtual Sheetlink_Body* ReplaceReferencePoint(Sheetlink_Body* body, const double* point) = 0;

    // Sections, hidden lines and graphics: slots 103 to 117.
    /// Null.
    virtual GraphicStruct* Section_CalculateByPlane(Sheetlink_Body* body, plane* cut) = 0;
    /// Null.
    virtual GraphicStruct* Section_CalculateMain(Sheetlink_Body** bodies,
                                                 int count,
                                                 plane* cut) = 0;
    /// Does nothing.
    virtual void Section_CalculateBorder(GraphicStruct* section) = 0;
    /// Does nothing.
    virtual void Section_CreateGraphics(GraphicStruct* section) = 0;
    /// Null.
    virtual Sheetlink_Body* Chop_Calculate(Sheetlink_Body* body, Sheetlink_Body* tool) = 0;
    /// Does nothing.
    virtual void PHL_Calculate(Sheetlink_Body** bodies, int count, MatrixStruct* view) = 0;
    /// Does nothing; *out untouched.
    virtual void PHL_CreateGraphics(GraphicStruct** out) = 0;
    /// Does nothing.
    virtual void PHL_Dispose() = 0;
    /// Null.
    virtual GraphicStruct* CreateGraphicByBoundedCurve(Sheetlink_Body* curve) = 0;
    /// Null.
    virtual GraphicStruct* CreateGraphicByPHLSegment(int index) = 0;
    /// Does nothing.
    virtual void Camera_Calculate(MatrixStruct* view) = 0;
    /// Does nothing.
    virtual void GraphicSetDOProperties(GraphicStruct* graphic, int properties) = 0;
    /// Does nothing.
    virtual void SelectBodiesFromGraphics(GraphicStruct* graphics, ENTITY_LIST* out) = 0;
    /// Does nothing.
    virtual void MakeCurveProjection(Sheetlink_Body* curve,
                                     Sheetlink_Body* target,
                                     const double* direction) = 0;
    /// Does nothing.
    virtual void MakeIntersectionCurve(Sheetlink_Body* a, Sheetlink_Body* b) = 0;

    // Tools and housekeeping: slots 118 to 132.
    /// Null.
    virtual void* InitBlendingTool(Sheetlink_Body* body) = 0;
    /// Does nothing.
    virtual void DisposeBlendingTool(void* tool) = 0;
    /// Does nothing.
    virtual void CopyBlendingAttributesForID(int toId, int fromId) = 0;
    /// Null.
    virtual void* InitFacetEditTool(Sheetlink_Body* body) = 0;
    /// Does nothing.
    virtual void DisposeFacetEditTool(void* tool) = 0;
    /// Null.
    virtual void* InitShellingTool(Sheetlink_Body* body) = 0;
    /// Does nothing.
    virtual void DisposeShellingTool(void* tool) = 0;
    /// Does nothing.
    virtual void CopyShellingAttributesForID(int toId, int fromId) = 0;
    /// Null.
    virtual CSweepOptions* CreateSweepOptions() = 0;
    /// Does nothing.
    virtual void UpdateFreeLists() = 0;
    /// Null: no error text is kept.
    virtual const char* GetLastError() = 0;
    /// Reserved; 0.
    virtual int Reserved1() = 0;
    /// A new body uniting the body's connected closed pieces (a copy when it has one piece); null
    /// for null, no surface, or an open piece.
    virtual Sheetlink_Body* MakeSheetBodyByBody(Sheetlink_Body* body) = 0;
    /// Reserved; 0.
    virtual int Reserved2() = 0;
    /// Reserved; 0.
    virtual int Reserved3() = 0;
};
