#include "tools/polykern/PlanDrawing.h"

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>
#include <memory>

#include "tools/polykern/SurfaceRender.h"

namespace pkcli {

namespace {

using Point = std::array<double, 3>;

// A hue running from blue (the first group) through green to red (the last).
void GroupColour(int group, int groupCount, float rgb[3]) {
    const float t = groupCount > 1 ? static_cast<float>(group) / (groupCount - 1) : 0.0f;
    const float h = (1.0f - t) * 4.0f;  // 4 blue … 0 red on the hue circle of six
    const float x = 1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f);
    const int sector = static_cast<int>(h);
    const float table[5][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {0, 0, 1}};
    const float* c = table[sector < 0 ? 0 : sector > 4 ? 4 : sector];
    for (int k = 0; k < 3; ++k) rgb[k] = 0.8f * c[k];  // a little darker, to read on white
}

// The polygons' bounding box in plan; false when there is no finite point.
bool Extent(const std::vector<PlanPolygon>& polygons, double lo[2], double hi[2]) {
    lo[0] = lo[1] = HUGE_VAL;
    hi[0] = hi[1] = -HUGE_VAL;
    for (const PlanPolygon& polygon : polygons) {
        for (const Polyline& loop : polygon.loops) {
            for (const PlanPoint& p : loop) {
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
                lo[0] = std::fmin(lo[0], p.x);
                lo[1] = std::fmin(lo[1], p.y);
                hi[0] = std::fmax(hi[0], p.x);
                hi[1] = std::fmax(hi[1], p.y);
            }
        }
    }
    return lo[0] <= hi[0];
}

// Fills one polygon, holes left open by the odd winding rule; corners are moved by
// -centre so that GL's single precision works near the origin.
void FillPolygon(const PlanPolygon& polygon, const double* centre, GLUtesselator* tess) {
    TessFill state;
    SetFillCallbacks(tess);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, &state);
    for (const Polyline& loop : polygon.loops) {
        if (loop.size() < 3) continue;
        gluTessBeginContour(tess);
        for (const PlanPoint& p : loop) {
            state.points.push_back({p.x - centre[0], p.y - centre[1], 0.0});
            GLdouble* q = state.points.back().data();
            gluTessVertex(tess, q, q);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    FinishFill(&state);
}

void DrawPlan(const std::vector<PlanPolygon>& polygons, int groupCount, int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    double lo[2], hi[2];
    if (!Extent(polygons, lo, hi)) return;
    const double centre[2] = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1])};
    double halfX = 1.08 * 0.5 * (hi[0] - lo[0]);
    double halfY = 1.08 * 0.5 * (hi[1] - lo[1]);
    if (!(halfX > 0.0) && !(halfY > 0.0)) halfX = halfY = 1.0;  // a single point
    const double aspect = static_cast<double>(width) / height;
    if (halfX < halfY * aspect) {
        halfX = halfY * aspect;
    } else {
        halfY = halfX / aspect;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-halfX, halfX, -halfY, halfY, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(gluNewTess(), gluDeleteTess);
    float rgb[3];
    if (tess != nullptr) {
        for (const PlanPolygon& polygon : polygons) {
            GroupColour(polygon.group, groupCount, rgb);
            glColor4f(rgb[0], rgb[1], rgb[2], 0.12f);
            FillPolygon(polygon, centre, tess.get());
        }
    }
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(1.5f);
    glLineStipple(2, 0x3333);
    for (const PlanPolygon& polygon : polygons) {
        GroupColour(polygon.group, groupCount, rgb);
        glColor4f(rgb[0], rgb[1], rgb[2], 1.0f);
        for (size_t i = 0; i < polygon.loops.size(); ++i) {
            if (i == 1) glEnable(GL_LINE_STIPPLE);  // holes dashed
            glBegin(GL_LINE_LOOP);
            for (const PlanPoint& p : polygon.loops[i])
                glVertex2d(p.x - centre[0], p.y - centre[1]);
            glEnd();
        }
        glDisable(GL_LINE_STIPPLE);
    }
}

}  // namespace

bool DrawPlanPng(const std::vector<PlanPolygon>& polygons,
                 int groupCount,
                 int width,
                 int height,
                 const std::string& path,
                 std::string* error) {
    return RenderOffscreenPng(
        width, height, [&] { DrawPlan(polygons, groupCount, width, height); }, path, error);
}

void AppendPlanPolygons(const G3Surface* s, int group, std::vector<PlanPolygon>* out) {
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    for (int k = 0; s != nullptr && k < s->GetFacetCount(); ++k) {
        if (!s->GetFacet(k)->GetLoops(starts, loopEnds)) continue;
        PlanPolygon polygon;
        polygon.group = group;
        std::size_t begin = 0;
        for (const int end : loopEnds) {
            Polyline loop;
            for (std::size_t v = begin; v < static_cast<std::size_t>(end); ++v)
                loop.push_back({starts[v]->GetX(), starts[v]->GetY()});
            polygon.loops.push_back(loop);
            begin = static_cast<std::size_t>(end);
        }
        out->push_back(polygon);
    }
}

}  // namespace pkcli
