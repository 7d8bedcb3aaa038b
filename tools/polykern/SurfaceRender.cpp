#include "tools/polykern/SurfaceRender.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/osmesa.h>

#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tools/polykern/FramebufferPng.h"

namespace pkcli {
namespace {

constexpr int kMaxSide = 8192;

using Point = std::array<double, 3>;

bool IsFinite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

double Dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

/// The camera's frame in world coordinates: screen right, screen up, and the direction
/// pointing back toward the viewer (right × up = back).
struct ViewBasis {
    double right[3];
    double up[3];
    double back[3];
};

/// Builds the frame of a view. Iso looks from 60° off the vertical and 45° round from the
/// front (elevation 30°), so the hidden corner of a box never lands on a visible one.
ViewBasis MakeBasis(RenderView view) {
    switch (view) {
        case RenderView::Top:
            return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        case RenderView::Front:
            return {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
        case RenderView::Iso:
            break;
    }
    const double r = std::sqrt(0.5);          // cos 45° = sin 45°
    const double s60 = std::sqrt(3.0) / 2.0;  // sin 60°
    const double a = r * s60;                 // horizontal part of the eye direction
    return {{r, r, 0}, {-0.5 * r, 0.5 * r, s60}, {a, -a, 0.5}};
}

void GLAPIENTRY OnTessBegin(GLenum type, void* data) {
    static_cast<TessFill*>(data)->inPrimitive = true;
    glBegin(type);
}

void GLAPIENTRY OnTessVertex(void* vertex, void*) {
    glVertex3dv(static_cast<const GLdouble*>(vertex));
}

void GLAPIENTRY OnTessEnd(void* data) {
    glEnd();
    static_cast<TessFill*>(data)->inPrimitive = false;
}

// A facet GLU cannot split simply draws less of its fill; its edges still show it.
void GLAPIENTRY OnTessError(GLenum, void*) {}

/// Makes the point where two outline segments cross. No exception may leave a C callback,
/// so an allocation failure falls back to one of the four neighbours.
void GLAPIENTRY
OnTessCombine(GLdouble coords[3], void* neighbours[4], GLfloat*, void** out, void* data) {
    try {
        auto* state = static_cast<TessFill*>(data);
        state->points.push_back({coords[0], coords[1], coords[2]});
        *out = state->points.back().data();
    } catch (...) {
        *out = neighbours[0];
    }
}

/// Owns the OSMesa context; releases the binding and destroys it on every path out.
struct ContextGuard {
    OSMesaContext context = nullptr;
    bool bound = false;
    ContextGuard() = default;
    ContextGuard(const ContextGuard&) = delete;
    ContextGuard& operator=(const ContextGuard&) = delete;
    ~ContextGuard() {
        if (bound) OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
        if (context != nullptr) OSMesaDestroyContext(context);
    }
};

/// Splits f's ring into its loops (the outer boundary, then the holes) as runs of corner
/// positions, ending each run at loopEnds. The ring lists edges only, so the first edge of
/// a loop is oriented by the edge after it and the rest chain through the shared vertex; a
/// loop ends when it is back at its first vertex or the chain breaks. False for a missing
/// vertex, a non-finite coordinate, or a ring longer than `maxEdges` (a corrupt cycle).
bool CollectLoops(const G3Facet* f,
                  int maxEdges,
                  std::vector<const double*>* corners,
                  std::vector<size_t>* loopEnds) {
    corners->clear();
    loopEnds->clear();
    const G3Vertex* first = nullptr;  // where the current loop started
    const G3Vertex* at = nullptr;     // where the walk stands; null between loops
    int count = 0;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        if (++count > maxEdges) return false;
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        if (a == nullptr || b == nullptr) return false;
        if (at != nullptr && !e->HasVertex(at)) {
            loopEnds->push_back(corners->size());  // a broken chain closes what it has
            at = nullptr;
        }
        if (at == nullptr) {
            const G3Edge* next = f->NextEdge(e);
            const bool reversed = next != nullptr && next->HasVertex(a) && !next->HasVertex(b);
            first = reversed ? b : a;
            at = first;
        }
        if (!IsFinite(at->GetXYZ())) return false;
        corners->push_back(at->GetXYZ());
        at = e->OtherVertex(at);
        if (at == first) {
            loopEnds->push_back(corners->size());
            at = nullptr;
        }
    }
    if (at != nullptr) loopEnds->push_back(corners->size());
    return true;
}

/// The facet's unit normal: its plane when that is usable, else Newell's normal over all
/// loops (holes run the other way and subtract). False when both vanish.
bool FacetNormal(const G3Facet* f,
                 const std::vector<const double*>& corners,
                 const std::vector<size_t>& loopEnds,
                 double n[3]) {
    const double* plane = f->GetPlane();
    n[0] = plane[0];
    n[1] = plane[1];
    n[2] = plane[2];
    double length = std::sqrt(Dot(n, n));
    if (!std::isfinite(length) || length < 1e-12) {
        n[0] = n[1] = n[2] = 0.0;
        size_t begin = 0;
        for (size_t end : loopEnds) {
            for (size_t i = begin; i < end; ++i) {
                const double* p = corners[i];
                const double* q = corners[i + 1 < end ? i + 1 : begin];
                n[0] += (p[1] - q[1]) * (p[2] + q[2]);
                n[1] += (p[2] - q[2]) * (p[0] + q[0]);
                n[2] += (p[0] - q[0]) * (p[1] + q[1]);
            }
            begin = end;
        }
        length = std::sqrt(Dot(n, n));
        if (!std::isfinite(length) || length < 1e-300) return false;
    }
    for (int i = 0; i < 3; ++i) n[i] /= length;
    return true;
}

// The fill of a facet without a colour of its own.
constexpr float kDefaultFill[4] = {0.58f, 0.64f, 0.74f, 1.0f};

/// Fills the facets of one body whose alpha puts them in this pass (opaque or blended),
/// coordinates taken relative to `centre` so large world positions keep their precision in
/// GL's floats. Triangles go straight to GL; anything else (concave, holed or
/// self-crossing) goes through the tessellator with the odd winding rule, loop by loop.
void DrawFacets(const ShadedBody& body, const Point& centre, bool blended, GLUtesselator* tess) {
    const G3Surface* s = body.surface;
    TessFill state;
    SetFillCallbacks(tess);

    std::vector<const double*> corners;
    std::vector<size_t> loopEnds;
    const int maxEdges = s->GetEdgeCount();
    const int facetCount = s->GetFacetCount();
    for (int i = 0; i < facetCount; ++i) {
        float rgba[4] = {kDefaultFill[0], kDefaultFill[1], kDefaultFill[2], kDefaultFill[3]};
        if (body.colour) body.colour(i, rgba);
        if ((rgba[3] < 1.0f) != blended) continue;
        const G3Facet* f = s->GetFacet(i);
        if (f == nullptr || !CollectLoops(f, maxEdges, &corners, &loopEnds)) continue;
        double n[3];
        if (!FacetNormal(f, corners, loopEnds, n)) continue;
        glColor4fv(rgba);  // the lit material follows the colour
        glNormal3dv(n);
        if (loopEnds.size() == 1 && corners.size() == 3) {
            // Wound counter-clockwise about n, as the tessellator would, so that two-sided
            // lighting picks the side that faces the viewer.
            const double* p0 = corners[0];
            double u[3], v[3];
            for (int k = 0; k < 3; ++k) {
                u[k] = corners[1][k] - p0[k];
                v[k] = corners[2][k] - p0[k];
            }
            const double w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
            if (Dot(w, n) < 0.0) std::swap(corners[1], corners[2]);
            glBegin(GL_TRIANGLES);
            for (const double* p : corners) {
                glVertex3d(p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]);
            }
            glEnd();
            continue;
        }
        state.points.clear();
        gluTessNormal(tess, n[0], n[1], n[2]);
        gluTessBeginPolygon(tess, &state);
        size_t begin = 0;
        for (size_t end : loopEnds) {
            if (end - begin >= 3) {
                gluTessBeginContour(tess);
                for (size_t k = begin; k < end; ++k) {
                    const double* p = corners[k];
                    state.points.push_back({p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]});
                    GLdouble* q = state.points.back().data();
                    gluTessVertex(tess, q, q);
                }
                gluTessEndContour(tess);
            }
            begin = end;
        }
        gluTessEndPolygon(tess);
        FinishFill(&state);
    }
}

/// Draws the edges a viewer should see: visible or form-making ones with a facet on at
/// least one side, dark. Edges with a single facet side are open boundary and show in red
/// when the body asks for it; invisible edges draw nowhere.
void DrawEdges(const ShadedBody& body, const Point& centre) {
    const G3Surface* s = body.surface;
    glBegin(GL_LINES);
    const int edgeCount = s->GetEdgeCount();
    for (int i = 0; i < edgeCount; ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e == nullptr || e->GetFacetCount() == 0 || e->IsInvisible()) continue;
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        if (a == nullptr || b == nullptr || !IsFinite(a->GetXYZ()) || !IsFinite(b->GetXYZ())) {
            continue;
        }
        if (body.markOpenEdges && e->GetFacetCount() == 1) {
            glColor3f(0.80f, 0.16f, 0.12f);
        } else {
            glColor3f(0.16f, 0.17f, 0.19f);
        }
        for (const G3Vertex* v : {a, b}) {
            const double* p = v->GetXYZ();
            glVertex3d(p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]);
        }
    }
    glEnd();
}

/// The box of every finite corner of the bodies; false when there is none.
bool BodiesBox(const std::vector<ShadedBody>& bodies, double lo[3], double hi[3]) {
    bool any = false;
    for (int k = 0; k < 3; ++k) {
        lo[k] = HUGE_VAL;
        hi[k] = -HUGE_VAL;
    }
    for (const ShadedBody& body : bodies) {
        if (body.surface == nullptr) continue;
        const int vertexCount = body.surface->GetVertexCount();
        for (int i = 0; i < vertexCount; ++i) {
            const G3Vertex* v = body.surface->GetVertex(i);
            if (v == nullptr || !IsFinite(v->GetXYZ())) continue;
            const double* p = v->GetXYZ();
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::fmin(lo[k], p[k]);
                hi[k] = std::fmax(hi[k], p[k]);
            }
            any = true;
        }
    }
    return any;
}

/// Fits the box into an orthographic view with a margin (aspect ratio kept) and sets the
/// fixed light; returns the box's centre, the origin everything is drawn about.
Point SetUpView(const double lo[3], const double hi[3], const RenderOptions& options) {
    const Point centre = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1]), 0.5 * (lo[2] + hi[2])};
    const double half[3] = {0.5 * (hi[0] - lo[0]), 0.5 * (hi[1] - lo[1]), 0.5 * (hi[2] - lo[2])};
    const ViewBasis basis = MakeBasis(options.view);
    // Half extents of the rotated box on screen and in depth.
    auto extent = [&half](const double* axis) {
        return std::fabs(axis[0]) * half[0] + std::fabs(axis[1]) * half[1] +
               std::fabs(axis[2]) * half[2];
    };
    double halfX = 1.08 * extent(basis.right);
    double halfY = 1.08 * extent(basis.up);
    const double halfZ = extent(basis.back);
    if (!(halfX > 0.0) && !(halfY > 0.0)) halfX = halfY = 1.0;  // a single point
    const double aspect = static_cast<double>(options.width) / options.height;
    if (halfX < halfY * aspect) {
        halfX = halfY * aspect;
    } else {
        halfY = halfX / aspect;
    }
    const double depth = 1.1 * halfZ + 0.01 * std::fmax(halfX, halfY);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-halfX, halfX, -halfY, halfY, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The light is fixed to the viewer (upper left, in front), so set it in eye space.
    const GLfloat lightDirection[4] = {-0.2f, 0.5f, 1.0f, 0.0f};
    const GLfloat lightDiffuse[4] = {0.72f, 0.72f, 0.72f, 1.0f};
    const GLfloat noColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat sceneAmbient[4] = {0.38f, 0.38f, 0.38f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightDirection);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, noColour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, noColour);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, sceneAmbient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, noColour);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);

    // World to eye: the rows of the rotation are the basis vectors (column-major storage).
    GLdouble view[16] = {0};
    for (int k = 0; k < 3; ++k) {
        view[4 * k] = basis.right[k];
        view[4 * k + 1] = basis.up[k];
        view[4 * k + 2] = basis.back[k];
    }
    view[15] = 1.0;
    glLoadMatrixd(view);
    return centre;
}

}  // namespace

void DrawShadedBodies(const std::vector<ShadedBody>& bodies, const RenderOptions& options) {
    glViewport(0, 0, options.width, options.height);
    glClearColor(0.96f, 0.96f, 0.97f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    double lo[3], hi[3];
    if (!BodiesBox(bodies, lo, hi)) return;
    const Point centre = SetUpView(lo, hi, options);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_FLAT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);  // the fill sits just behind its own edges
    std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(gluNewTess(), gluDeleteTess);
    if (tess != nullptr) {
        for (const ShadedBody& body : bodies) {
            if (body.surface != nullptr) DrawFacets(body, centre, false, tess.get());
        }
        // See-through facets over the opaque ones, without hiding what lies behind them.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        for (const ShadedBody& body : bodies) {
            if (body.surface != nullptr) DrawFacets(body, centre, true, tess.get());
        }
        glDepthMask(GL_TRUE);
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_COLOR_MATERIAL);

    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(1.5f);
    glDepthMask(GL_FALSE);  // smoothed fringes must not hide the edges behind them
    for (const ShadedBody& body : bodies) {
        if (body.surface != nullptr) DrawEdges(body, centre);
    }
    glDepthMask(GL_TRUE);
}

bool RenderSurfacePng(G3Surface* s,
                      const std::string& path,
                      const RenderOptions& options,
                      std::string* error) {
    const std::vector<ShadedBody> bodies = {ShadedBody{s, nullptr, true}};
    return RenderOffscreenPng(
        options.width, options.height, [&] { DrawShadedBodies(bodies, options); }, path, error);
}

bool RenderOffscreenPng(int width,
                        int height,
                        const std::function<void()>& draw,
                        const std::string& path,
                        std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) {
        *error = "image size " + std::to_string(width) + "x" + std::to_string(height) +
                 " out of range (1..8192 each side)";
        return false;
    }
    if (path.empty()) {
        *error = "no output path for the image";
        return false;
    }
    try {
        // Declared before the guard so the buffer outlives the context bound to it.
        std::vector<unsigned char> buffer(static_cast<size_t>(width) * height * 4);
        ContextGuard guard;
        guard.context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        if (guard.context == nullptr) {
            *error = "cannot create an off-screen GL context";
            return false;
        }
        if (!OSMesaMakeCurrent(guard.context, buffer.data(), GL_UNSIGNED_BYTE, width, height)) {
            *error = "cannot bind the off-screen GL context to a " + std::to_string(width) + "x" +
                     std::to_string(height) + " image";
            return false;
        }
        guard.bound = true;
        draw();
        glFinish();
        const GLenum status = glGetError();
        if (status != GL_NO_ERROR) {
            *error = "off-screen drawing failed (GL error " + std::to_string(status) + ")";
            return false;
        }
        return WriteFramebufferPng(path, width, height, error);
    } catch (const std::bad_alloc&) {
        *error = "out of memory rendering a " + std::to_string(width) + "x" +
                 std::to_string(height) + " image";
        return false;
    }
}

void SetFillCallbacks(GLUtesselator* tess) {
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(OnTessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(OnTessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(OnTessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(OnTessError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(OnTessCombine));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
}

void FinishFill(TessFill* fill) {
    if (!fill->inPrimitive) return;  // GLU gave up halfway through a primitive
    glEnd();
    fill->inPrimitive = false;
}

}  // namespace pkcli
