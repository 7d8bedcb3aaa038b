// The fixed answers of the modeler operations the kernel has no counterpart for:
// bodies, settings, Booleans and body construction.

#include "modelbridge/G3SurfaceModeler.h"

bool G3SurfaceModeler::IsSolidBody(Sheetlink_Body*) {
    return true;
}

int G3SurfaceModeler::IsSheetBody(Sheetlink_Body*) {
    return 1;
}

void G3SurfaceModeler::Transform(Sheetlink_Body*, MatrixStruct*) {}

void G3SurfaceModeler::SetBodyMatrix(Sheetlink_Body*, MatrixStruct*) {}

void G3SurfaceModeler::CombineBody(Sheetlink_Body*, Sheetlink_Body*) {}

void G3SurfaceModeler::SetFaceterType(int) {}

void G3SurfaceModeler::SetFaceterMode(unsigned short) {}

double G3SurfaceModeler::GetSurfaceTolerance() {
    return 1.0;
}

void G3SurfaceModeler::SetSurfaceTolerance(double) {}

double G3SurfaceModeler::GetSurfaceNormalsTolerance() {
    return 1.0;
}

void G3SurfaceModeler::SetSurfaceNormalsTolerance(double) {}

double G3SurfaceModeler::GetEdgeLength() {
    return 1.0;
}

void G3SurfaceModeler::SetEdgeLength(double) {}

void G3SurfaceModeler::InitializeBodyID(Sheetlink_Body*, int) {}

void G3SurfaceModeler::CopyBodyID(Sheetlink_Body*, Sheetlink_Body*) {}

void G3SurfaceModeler::DeletePlane(Sheetlink_Body*, int) {}

bool G3SurfaceModeler::CheckWireSelfIntersect(Sheetlink_Body*) {
    return true;
}

bool G3SurfaceModeler::BooleanSection(Sheetlink_Body*, MatrixStruct*, double*, GraphicStruct**) {
    return true;
}

Sheetlink_Body* G3SurfaceModeler::MakeSphere(const double*, double) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeBlock(const double*, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeSweep(Sheetlink_Body*, Sheetlink_Body*, CSweepOptions*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeThickness(Sheetlink_Body*, double) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeSpin(Sheetlink_Body*, const double*, const double*, double) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeSpin(
    Sheetlink_Body*, const double*, const double*, double, int) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeExtrude(Sheetlink_Body*, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeExtrude(Sheetlink_Body*, const double*, double) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeLoft(Sheetlink_Body**, int) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeBSplineSurface(int, int, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeSheetBodyByFacets(int, VertexStruct*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeVolumeBodyByFacets(int, VertexStruct*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeCoverContour2D(int, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::MakeCoverUnclosedSheetBody(Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::NURBSToWireBody(int, int, const double*, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::NURBSToWireBody(
    int, int, const double*, const double*, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::ArcToWireBody(
    const double*, const double*, double, double, double) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::BezierToWireBody(int, const double*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::PolylineToWireBody(int, const double*, bool) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::BulgePolylineToWireBody(int, const double*, const double*, bool) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::CompoundProfileToWireBody(GraphicStruct*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::GraphicToWireBody(GraphicStruct*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::CoverWireBody(Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::UncoverSheetBody(Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::UniteWireBodies(Sheetlink_Body*, Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::AcisRegionAdd(Sheetlink_Body*, Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::AcisRegionInt(Sheetlink_Body*, Sheetlink_Body*) {
    return nullptr;
}

Sheetlink_Body* G3SurfaceModeler::AcisRegionSub(Sheetlink_Body*, Sheetlink_Body*) {
    return nullptr;
}

GraphicStruct* G3SurfaceModeler::GetRegionGeometry(Sheetlink_Body*) {
    return nullptr;
}

bool G3SurfaceModeler::LoadRegionFrom(GFileInterface*, Sheetlink_Body**) {
    return true;
}
