// The fixed answers of the modeler operations the kernel has no counterpart for:
// conversions, checks, storage, sections, graphics and tools.

#include "modelbridge/G3SurfaceModeler.h"

bool G3SurfaceModeler::ConvertSolidToSurface(Sheetlink_Body*) {
    return true;
}

bool G3SurfaceModeler::ConvertSurfaceToSolid(Sheetlink_Body*) {
    return true;
}

Sheetlink_Body* G3SurfaceModeler::ConvertMeshToNurbs(Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::ConvertMeshToSurface(Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::BSplineCurveModify(Sheetlink_Body*, int, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::BSplineSurfaceModify(Sheetlink_Body*, int, int, const double*) {
    return nullptr;
}

int G3SurfaceModeler::UpdateBSplineParameters(Sheetlink_Body*) {
    return 1;
}

int G3SurfaceModeler::GetBSplineIsoLine(Sheetlink_Body*, bool, double, GraphicStruct**) {
    return 1;
}

GraphicStruct* G3SurfaceModeler::GetBSplineRepresentation(Sheetlink_Body*) {
    return nullptr;
}

int G3SurfaceModeler::IsBodyOKToHeal(Sheetlink_Body*) {
    return 1;
}

int G3SurfaceModeler::IsBodyWasHeal(Sheetlink_Body*) {
    return 1;
}

Sheetlink_Body* G3SurfaceModeler::BodyAutoHealing(Sheetlink_Body*) {
    return nullptr;
}

bool G3SurfaceModeler::StoreTo(Sheetlink_Body*, GFileInterface*) {
    return true;
}

bool G3SurfaceModeler::LoadFrom(GFileInterface*, Sheetlink_Body**) {
    return true;
}

bool G3SurfaceModeler::LoadFrom(std::streambuf*, Sheetlink_Body**) {
    return true;
}

GAbstractSaveRestore* G3SurfaceModeler::GetAbstractSaveRestore() {
    return nullptr;
}

bool G3SurfaceModeler::GetAcisAttribute(Sheetlink_Body*, const char*, int*) {
    return true;
}

bool G3SurfaceModeler::SetAcisAttribute(Sheetlink_Body*, const char*, int) {
    return true;
}

void G3SurfaceModeler::GetAllAcisBody(ENTITY_LIST*) {}

bool G3SurfaceModeler::BodyGetCenterOfGravity(Sheetlink_Body*, double*) {
    return true;
}

bool G3SurfaceModeler::BodyGetCenterOfFaceHit(Sheetlink_Body*,
                                              const double*,
                                              const double*,
                                              double*) {
    return true;
}

bool G3SurfaceModeler::BodyGetHitFace(Sheetlink_Body*, const double*, const double*, FACE**) {
    return true;
}

bool G3SurfaceModeler::BodyGetHitFaces(Sheetlink_Body*,
                                       const double*,
                                       const double*,
                                       ENTITY_LIST*) {
    return true;
}

bool G3SurfaceModeler::CalculateMassPropertiesOfBody(Sheetlink_Body*, double*, double*, double*) {
    return true;
}

MatrixStruct* G3SurfaceModeler::BuildFaceCS(FACE*) {
    return nullptr;
}

MatrixStruct* G3SurfaceModeler::FacesTransform(ENTITY_LIST*, MatrixStruct*) {
    return nullptr;
}

MatrixStruct* G3SurfaceModeler::GetRealTransform(Sheetlink_Body*) {
    return nullptr;
}

MatrixStruct* G3SurfaceModeler::DivideBodyMatrixToTcAndAcisParts(Sheetlink_Body*, MatrixStruct*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::ReplaceReferencePoint(Sheetlink_Body*, const double*) {
    return nullptr;
}

GraphicStruct* G3SurfaceModeler::Section_CalculateByPlane(Sheetlink_Body*, plane*) {
    return nullptr;
}

GraphicStruct* G3SurfaceModeler::Section_CalculateMain(Sheetlink_Body**, int, plane*) {
    return nullptr;
}

void G3SurfaceModeler::Section_CalculateBorder(GraphicStruct*) {}

void G3SurfaceModeler::Section_CreateGraphics(GraphicStruct*) {}

Sheetlink_Body* G3SurfaceModeler::Chop_Calculate(Sheetlink_Body*, Sheetlink_Body*) {
    return nullptr;
}

void G3SurfaceModeler::PHL_Calculate(Sheetlink_Body**, int, MatrixStruct*) {}

void G3SurfaceModeler::PHL_CreateGraphics(GraphicStruct**) {}

void G3SurfaceModeler::PHL_Dispose() {}

GraphicStruct* G3SurfaceModeler::CreateGraphicByBoundedCurve(Sheetlink_Body*) {
    return nullptr;
}

GraphicStruct* G3SurfaceModeler::CreateGraphicByPHLSegment(int) {
    return nullptr;
}

void G3SurfaceModeler::Camera_Calculate(MatrixStruct*) {}

void G3SurfaceModeler::GraphicSetDOProperties(GraphicStruct*, int) {}

void G3SurfaceModeler::SelectBodiesFromGraphics(GraphicStruct*, ENTITY_LIST*) {}

void G3SurfaceModeler::MakeCurveProjection(Sheetlink_Body*, Sheetlink_Body*, const double*) {}

void G3SurfaceModeler::MakeIntersectionCurve(Sheetlink_Body*, Sheetlink_Body*) {}

void* G3SurfaceModeler::InitBlendingTool(Sheetlink_Body*) {
    return nullptr;
}

void G3SurfaceModeler::DisposeBlendingTool(void*) {}

void G3SurfaceModeler::CopyBlendingAttributesForID(int, int) {}

void* G3SurfaceModeler::InitFacetEditTool(Sheetlink_Body*) {
    return nullptr;
}

void G3SurfaceModeler::DisposeFacetEditTool(void*) {}

void* G3SurfaceModeler::InitShellingTool(Sheetlink_Body*) {
    return nullptr;
}

void G3SurfaceModeler::DisposeShellingTool(void*) {}

void G3SurfaceModeler::CopyShellingAttributesForID(int, int) {}

CSweepOptions* G3SurfaceModeler::CreateSweepOptions() {
    return nullptr;
}

void G3SurfaceModeler::UpdateFreeLists() {}

const char* G3SurfaceModeler::GetLastError() {
    return nullptr;
}

int G3SurfaceModeler::Reserved1() {
    return 0;
}

int G3SurfaceModeler::Reserved2() {
    return 0;
}

int G3SurfaceModeler::Reserved3() {
    return 0;
}
