#pragma once

// Everything the Polykern library exports.

#include "polykern/PolykernExport.h"

// Object foundation
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GArrayCollectionIterator.h"
#include "polykern/foundation/GCollection.h"
#include "polykern/foundation/GDummyDynamicClass.h"
#include "polykern/foundation/GDynamicClass.h"
#include "polykern/foundation/GDynamicResourceProvider.h"
#include "polykern/foundation/GHashtable.h"
#include "polykern/foundation/GHashtableIterator.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/foundation/GIdMap.h"
#include "polykern/foundation/GIdentifiableObject.h"
#include "polykern/foundation/GIterator.h"
#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/foundation/GPlatform.h"
#include "polykern/foundation/GPointer.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/foundation/GPress.h"
#include "polykern/foundation/GSemaphor.h"
#include "polykern/foundation/GTrace.h"

// Geometric math
#include "polykern/math/G3Math.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/math/GRect.h"
#include "polykern/math/GVector3.h"

// Extended data
#include "polykern/exdata/CDispatchExDataProvider.h"
#include "polykern/exdata/CExData.h"
#include "polykern/exdata/CExDataProvider.h"
#include "polykern/exdata/CStandardExDataProvider.h"
#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/exdata/IGeometryExDataProvider.h"

// Polyhedral model
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetContourIterator.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3Shell.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3TransformSnapshotProvider.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/model/G3VertexEdgeIterator.h"
#include "polykern/model/G3VertexVertexIterator.h"

// Boolean and intersection
#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCVertexData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/boolean/G3RayTraceResult.h"
#include "polykern/boolean/G3Segment.h"
#include "polykern/boolean/G3SolidsBuilder.h"

// Spatial search and contours
#include "polykern/spatial/G2PointHash.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"
#include "polykern/spatial/G3FacetPlaneHash.h"
#include "polykern/spatial/G3FacetPlaneHashItem.h"
#include "polykern/spatial/G3Grid.h"
#include "polykern/spatial/G3PointHash.h"
#include "polykern/spatial/G3PointHashItem.h"
#include "polykern/spatial/G3QuadraSurfaceTree.h"
#include "polykern/spatial/G3TexCooHash.h"
#include "polykern/spatial/GContourIntersectPoint.h"

// Facet triangulation
#include "polykern/surfaceops/G3TessWrapper.h"
#include "polykern/surfaceops/G3TriangleCollector.h"

// Planar constrained Delaunay triangulation
#include "polykern/triangulation/G3TEdge.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TReal.h"
#include "polykern/triangulation/G3TTriangle.h"
#include "polykern/triangulation/G3TVertex.h"
#include "polykern/triangulation/G3TriInterface.h"

// Openings through slabs and roofs
#include "polykern/openings/G3HoleMaker.h"

// Terrains
#include "polykern/terrain/G3Derivative.h"
#include "polykern/terrain/G3LandscapeHandler.h"

// Clipping
#include "polykern/clipping/G3PolylineClipper.h"
#include "polykern/clipping/GLineLoader.h"
#include "polykern/clipping/GPathLoader.h"

// Render store information
#include "polykern/render/GRenderGraphicStoreInfo.h"

// Roofs
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "polykern/roof/G3RoofTags.h"
#include "polykern/roof/G3RoofVertex.h"

// Modeler interface
#include "polykern/modeler/G3AbstractModeler.h"
#include "polykern/modeler/GAbstractSaveRestore.h"

// Planar regions
#include "polykern/regions/G3ContourDivider.h"
#include "polykern/regions/G3ContourIntersector.h"

// Surface editing
#include "polykern/surfaceops/G3SurfaceEdit.h"
