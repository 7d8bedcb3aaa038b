#include "tests/support/PlaneBodies.h"

#include <cmath>

namespace pktest {

namespace {

// The plane's corners without the closing repeat.
std::vector<FPOINT> Corners(const Sheetlink_Body* body, int i) {
    const int n = body->GetNumVerticesForIndexedPlane(i);
    const FPOINT* p = body->GetVerticesForIndexedPlane(i);
    std::vector<FPOINT> out;
    if (n <= 0 || p == nullptr) return out;
    out.assign(p, p + n);
    if (out.size() > 1) {
        const FPOINT& a = out.front();
        const FPOINT& b = out.back();
        if (std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1e-12)
            out.pop_back();
    }
    return out;
}

void Cross(const FPOINT& o, const FPOINT& a, const FPOINT& b, double* n) {
    const double u[3] = {a.x - o.x, a.y - o.y, a.z - o.z};
    const double v[3] = {b.x - o.x, b.y - o.y, b.z - o.z};
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
}

double PlaneArea(const Sheetlink_Body* body, int i) {
    const std::vector<FPOINT> c = Corners(body, i);
    double sum[3] = {0, 0, 0};
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        double n[3];
        Cross(c[0], c[k], c[k + 1], n);
        for (int j = 0; j < 3; ++j) sum[j] += n[j];
    }
    return 0.5 * std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
}

}  // namespace

Sheetlink_Body* MakeBody(const std::vector<Polygon>& polygons, PlaneAttributes attributes) {
    auto* body = new Sheetlink_Body(static_cast<int>(polygons.size()));
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        std::vector<FPOINT> points;
        for (const auto& c : polygons[i]) points.push_back(FPOINT{c[0], c[1], c[2], 0, 0, 0});
        if (!points.empty()) points.push_back(points.front());
        const int index = static_cast<int>(i);
        body->SetPointsForIndexedPlane(index, static_cast<int>(points.size()), points.data());
        body->SetMaterialForIndexedPlane(index, attributes.material);
        body->SetColorForIndexedPlane(index, attributes.color);
        body->SetLayerForIndexedPlane(index, attributes.layer);
    }
    return body;
}

Sheetlink_Body* MakeBoxBody(
    double x0, double y0, double z0, double x1, double y1, double z1, PlaneAttributes attributes) {
    return MakeBody({{{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}},
                     {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},
                     {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
                     {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}},
                     {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}},
                     {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}},
                    attributes);
}

Sheetlink_Body* MakePrismBody(const std::vector<std::vector<double>>& outline,
                              double z0,
                              double z1,
                              PlaneAttributes attributes) {
    std::vector<Polygon> polygons;
    Polygon floor, roof;
    for (auto it = outline.rbegin(); it != outline.rend(); ++it)
        floor.push_back({(*it)[0], (*it)[1], z0});
    for (const auto& p : outline) roof.push_back({p[0], p[1], z1});
    polygons.push_back(floor);
    polygons.push_back(roof);
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& a = outline[i];
        const auto& b = outline[(i + 1) % outline.size()];
        polygons.push_back(
            {{a[0], a[1], z0}, {b[0], b[1], z0}, {b[0], b[1], z1}, {a[0], a[1], z1}});
    }
    return MakeBody(polygons, attributes);
}

Sheetlink_Body* MakeLBuildingBody(double dx, double dy, double dz, PlaneAttributes attributes) {
    return MakePrismBody({{dx, dy},
                          {dx + 8, dy},
                          {dx + 8, dy + 3},
                          {dx + 4, dy + 3},
                          {dx + 4, dy + 6},
                          {dx, dy + 6}},
                         dz, dz + 3, attributes);
}

double BodyVolume(const Sheetlink_Body* body) {
    if (body == nullptr) return 0.0;
    double volume = 0.0;
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        const std::vector<FPOINT> c = Corners(body, i);
        for (std::size_t k = 1; k + 1 < c.size(); ++k) {
            double n[3];
            Cross(c[0], c[k], c[k + 1], n);
            volume += (c[0].x * n[0] + c[0].y * n[1] + c[0].z * n[2]) / 6.0;
        }
    }
    return volume;
}

double BodyArea(const Sheetlink_Body* body) {
    if (body == nullptr) return 0.0;
    double area = 0.0;
    for (int i = 0; i < body->GetNumPlanes(); ++i) area += PlaneArea(body, i);
    return area;
}

double BodyAreaOfMaterial(const Sheetlink_Body* body, unsigned short material) {
    if (body == nullptr) return 0.0;
    double area = 0.0;
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        if (body->GetMaterialForIndexedPlane(i) == material) area += PlaneArea(body, i);
    }
    return area;
}

bool PlanesAreClosedRings(const Sheetlink_Body* body) {
    if (body == nullptr) return false;
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        const int n = body->GetNumVerticesForIndexedPlane(i);
        const FPOINT* p = body->GetVerticesForIndexedPlane(i);
        if (n < 4 || p == nullptr) return false;
        const FPOINT a = p[0];
        const FPOINT b = p[n - 1];
        if (a.x != b.x || a.y != b.y || a.z != b.z) return false;
    }
    return true;
}

}  // namespace pktest
