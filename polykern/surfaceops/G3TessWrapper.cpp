#include "polykern/surfaceops/G3TessWrapper.h"

#include <GL/glu.h>

#include <cmath>

namespace {

// Reported for a corner with a non-finite coordinate, which never reaches the tessellator.
constexpr int kErrorNonFinite = GLU_TESS_COORD_TOO_LARGE;

// The wrapper between BeginPolygon and EndPolygon on this thread: the callbacks run
// inside gluTessEndPolygon, on the thread that called it.
thread_local G3TessWrapper* t_Current = nullptr;

}  // namespace

G3TessWrapper::G3TessWrapper() : m_Tess(gluNewTess()) {
    if (m_Tess == nullptr) return;
    gluTessCallback(m_Tess, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&OnBegin));
    gluTessCallback(m_Tess, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(&OnVertex));
    gluTessCallback(m_Tess, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&OnEnd));
    gluTessCallback(m_Tess, GLU_TESS_ERROR, reinterpret_cast<_GLUfuncptr>(&OnError));
    gluTessProperty(m_Tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
}

G3TessWrapper::~G3TessWrapper() {
    if (t_Current == this) t_Current = nullptr;
    if (m_Tess != nullptr) gluDeleteTess(m_Tess);
}

bool G3TessWrapper::BeginPolygon() {
    if (m_Tess == nullptr || t_Current != nullptr) return false;
    t_Current = this;
    m_Error = 0;
    m_Count = 0;
    m_Open = false;
    gluTessBeginPolygon(m_Tess, nullptr);
    return true;
}

bool G3TessWrapper::BeginPolygon(int /*i*/, int /*j*/) {
    return BeginPolygon();
}

bool G3TessWrapper::EndPolygon() {
    if (t_Current != this) return false;
    if (m_Open) EndContour();
    gluTessEndPolygon(m_Tess);
    t_Current = nullptr;
    return m_Error == 0;
}

void G3TessWrapper::Triangle(void* /*a*/, void* /*b*/, void* /*c*/) {}

void G3TessWrapper::Notify(void* /*data*/) {}

void G3TessWrapper::BeginContour() {
    if (t_Current != this) return;
    if (m_Open) EndContour();
    gluTessBeginContour(m_Tess);
    m_Open = true;
}

void G3TessWrapper::EndContour() {
    if (t_Current != this || !m_Open) return;
    gluTessEndContour(m_Tess);
    m_Open = false;
}

bool G3TessWrapper::Vertex(const double xyz[3], void* data) {
    if (t_Current != this) return false;
    if (!std::isfinite(xyz[0]) || !std::isfinite(xyz[1]) || !std::isfinite(xyz[2])) {
        m_Error = kErrorNonFinite;
        return false;
    }
    if (!m_Open) BeginContour();
    // The tessellator copies the coordinates; it never writes through the pointer.
    gluTessVertex(m_Tess, const_cast<double*>(xyz), data);
    return true;
}

void G3TessWrapper::SetNormal(double a, double b, double c) {
    if (m_Tess != nullptr) gluTessNormal(m_Tess, a, b, c);
}

void G3TessWrapper::OnBegin(unsigned int type) {
    G3TessWrapper* w = t_Current;
    if (w == nullptr) return;
    w->m_Type = type;
    w->m_Count = 0;
    w->m_Parity = 0;  // every strip starts afresh: a polygon often yields several
}

void G3TessWrapper::OnVertex(void* data) {
    if (t_Current != nullptr) t_Current->Accept(data);
}

void G3TessWrapper::OnEnd() {}

void G3TessWrapper::OnError(unsigned int error) {
    if (t_Current != nullptr && t_Current->m_Error == 0)
        t_Current->m_Error = static_cast<int>(error);
}

// Turns the running primitive into triangles: separate triangles come in threes, a strip
// alternates its corner order so that every triangle keeps the strip's orientation, and a
// fan turns about its first corner.
void G3TessWrapper::Accept(void* data) {
    const int k = m_Count++;
    switch (m_Type) {
        case GL_TRIANGLES:
            if (k % 3 == 0) {
                m_Prev = data;
            } else if (k % 3 == 1) {
                m_Last = data;
            } else if (m_Error == 0) {
                Triangle(m_Prev, m_Last, data);
            }
            break;
        case GL_TRIANGLE_STRIP:
            if (k == 0) {
                m_Prev = data;
            } else if (k == 1) {
                m_Last = data;
            } else {
                if (m_Error == 0) {
                    if (m_Parity % 2 == 1)
                        Triangle(data, m_Last, m_Prev);
                    else
                        Triangle(m_Prev, m_Last, data);
                }
                ++m_Parity;
                m_Prev = m_Last;
                m_Last = data;
            }
            break;
        case GL_TRIANGLE_FAN:
            if (k == 0) {
                m_First = data;
            } else if (k == 1) {
                m_Last = data;
            } else {
                if (m_Error == 0) Triangle(m_First, m_Last, data);
                m_Last = data;
            }
            break;
        default:
            break;
    }
}
