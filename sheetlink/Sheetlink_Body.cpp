#include "sheetlink/Sheetlink_Body.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// A copy of `count` points in a fresh array, or null when memory runs out. Zero points
// give a valid empty array.
FPOINT* CopyPoints(int count, const FPOINT* points) {
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    FPOINT* copy = new (std::nothrow) FPOINT[n]();
    if (copy != nullptr && n > 0) std::memcpy(static_cast<void*>(copy), points, sizeof(FPOINT) * n);
    return copy;
}

}  // namespace

Sheetlink_Body::Sheetlink_Body(int count) {
    CreatePlanes(count);
}

Sheetlink_Body::~Sheetlink_Body() {
    Release();
}

Sheetlink_Body::Sheetlink_Body(const Sheetlink_Body& other) {
    CopyFrom(other);
}

Sheetlink_Body& Sheetlink_Body::operator=(const Sheetlink_Body& other) {
    if (this != &other) {
        Release();
        CopyFrom(other);
    }
    return *this;
}

Sheetlink_Body::Sheetlink_Body(Sheetlink_Body&& other) noexcept
    : m_Planes(std::exchange(other.m_Planes, nullptr)),
      m_NumPlanes(std::exchange(other.m_NumPlanes, 0)) {}

Sheetlink_Body& Sheetlink_Body::operator=(Sheetlink_Body&& other) noexcept {
    if (this != &other) {
        Release();
        m_Planes = std::exchange(other.m_Planes, nullptr);
        m_NumPlanes = std::exchange(other.m_NumPlanes, 0);
    }
    return *this;
}

void Sheetlink_Body::Release() {
    for (int i = 0; i < m_NumPlanes; ++i) delete[] m_Planes[i].vertices;
    delete[] m_Planes;
    m_Planes = nullptr;
    m_NumPlanes = 0;
}

bool Sheetlink_Body::CopyFrom(const Sheetlink_Body& other) {
    if (other.m_NumPlanes <= 0) return true;
    m_Planes = new (std::nothrow) Sheetlink_Plane[other.m_NumPlanes];
    if (m_Planes == nullptr) return false;
    m_NumPlanes = other.m_NumPlanes;
    for (int i = 0; i < m_NumPlanes; ++i) {
        const Sheetlink_Plane& from = other.m_Planes[i];
        Sheetlink_Plane& to = m_Planes[i];
        to = from;
        to.vertices = nullptr;
        if (from.vertices == nullptr) continue;
        to.vertices = CopyPoints(from.numVertices, from.vertices);
        if (to.vertices == nullptr) {
            Release();
            return false;
        }
    }
    return true;
}

int Sheetlink_Body::CreatePlanes(int count) {
    if (count > 0) {
        // Every record starts with no vertices, colour 0, material 0 and layer 0.
        Sheetlink_Plane* planes = new (std::nothrow) Sheetlink_Plane[count];
        Release();
        if (planes != nullptr) {
            m_Planes = planes;
            m_NumPlanes = count;
        }
    }
    return m_Planes != nullptr ? 1 : 0;
}

int Sheetlink_Body::SetPointsForIndexedPlane(int index, int count, FPOINT* points) {
    if (!IsPlane(index) || count < 0 || (points == nullptr && count > 0)) return 0;
    FPOINT* copy = CopyPoints(count, points);
    if (copy == nullptr) return 0;
    Sheetlink_Plane& plane = m_Planes[index];
    delete[] plane.vertices;
    plane.vertices = copy;
    plane.numVertices = count;
    return 1;
}

int Sheetlink_Body::GetNumVerticesForIndexedPlane(int index) const {
    return IsPlane(index) ? m_Planes[index].numVertices : -1;
}

FPOINT* Sheetlink_Body::GetVerticesForIndexedPlane(int index) const {
    return IsPlane(index) ? m_Planes[index].vertices : nullptr;
}

void Sheetlink_Body::SetColorForIndexedPlane(int index, int color) {
    if (IsPlane(index)) m_Planes[index].color = color;
}

int Sheetlink_Body::GetColorForIndexedPlane(int index) const {
    return IsPlane(index) ? m_Planes[index].color : -1;
}

void Sheetlink_Body::SetMaterialForIndexedPlane(int index, unsigned short material) {
    if (IsPlane(index)) m_Planes[index].material = material;
}

unsigned short Sheetlink_Body::GetMaterialForIndexedPlane(int index) const {
    return IsPlane(index) ? m_Planes[index].material : 0xFFFF;
}

void Sheetlink_Body::SetLayerForIndexedPlane(int index, unsigned short layer) {
    if (IsPlane(index)) m_Planes[index].layer = layer;
}

unsigned short Sheetlink_Body::GetLayerForIndexedPlane(int index) const {
    return IsPlane(index) ? m_Planes[index].layer : 0xFFFF;
}
