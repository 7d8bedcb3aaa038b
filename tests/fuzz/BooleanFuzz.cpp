// Fuzz target: two small closed solids drawn from the bytes (boxes, L- and U-shaped
// prisms, coarse spheres), placed on a lattice of 1/8 so that faces coincide and edges and
// corners touch often, now and then turned by an angle off the lattice. Union,
// intersection and difference run on fresh copies; every result must be closed with each
// edge walked once each way, and V(A∪B) + V(A∩B) = V(A) + V(B), V(A−B) = V(A) − V(A∩B)
// to 1e-9 relative. A violation prints both solids and aborts.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kStep = 0.125;  // the lattice
constexpr double kPi = 3.141592653589793;
constexpr double kRelTol = 1e-9;

// Hands out the input bytes one at a time; zeros once they run out.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : m_Data(data), m_Size(size) {}
    int Next() { return m_At < m_Size ? m_Data[m_At++] : 0; }

private:
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_At = 0;
};

enum Kind { kBox, kLPrism, kUPrism, kSphere };
const char* const kKindNames[] = {"box", "L prism", "U prism", "sphere"};

// One solid: its kind and sizes in lattice steps, then how it is turned and moved.
struct Solid {
    int kind = kBox;
    int w = 1, d = 1, h = 1;  // extent in steps (the sphere: radius in w)
    int p = 1, q = 1;         // L: the notch; U: leg width and base depth; sphere: cells
    int quarters = 0;         // quarter turns about z
    int tilt = 0;             // 0 none, 1 a quarter turn about x, 2 about y
    double angleZ = 0.0;      // extra turns off the lattice, radians
    double angleX = 0.0;
    int offset[3] = {0, 0, 0};  // in steps
};

Solid DrawSolid(ByteReader& in) {
    Solid s;
    s.kind = in.Next() % 4;
    const int b1 = in.Next(), b2 = in.Next(), b3 = in.Next(), b4 = in.Next(), b5 = in.Next();
    switch (s.kind) {
        case kBox:
            s.w = 1 + b1 % 16, s.d = 1 + b2 % 16, s.h = 1 + b3 % 16;
            break;
        case kLPrism:
            s.w = 2 + b1 % 15, s.d = 2 + b2 % 15, s.h = 1 + b3 % 16;
            s.p = 1 + b4 % (s.w - 1), s.q = 1 + b5 % (s.d - 1);
            break;
        case kUPrism:
            s.w = 3 + b1 % 14, s.d = 2 + b2 % 15, s.h = 1 + b3 % 16;
            s.p = 1 + b4 % ((s.w - 1) / 2), s.q = 1 + b5 % (s.d - 1);
            break;
        default:
            s.w = 2 + b1 % 12, s.p = 6 + b2 % 8, s.q = 3 + b3 % 5;
            break;
    }
    const int turn = in.Next();
    s.quarters = turn % 4;
    s.tilt = (turn / 4) % 3;
    // Most solids stay on the lattice; a high byte turns one off it. Zero bytes (a short
    // input) keep a solid on the lattice at the origin.
    const int off = in.Next(), angle = in.Next();
    if (off >= 216) s.angleZ = (angle + 1) * (kPi / 2) / 257.0;
    if (off >= 244) s.angleX = (255 - angle + 1) * (kPi / 2) / 257.0;
    for (int& o : s.offset) o = (in.Next() + 12) % 25 - 12;
    return s;
}

std::string Describe(const Solid& s) {
    char buf[360];
    int n = 0;
    if (s.kind == kSphere) {
        n = std::snprintf(buf, sizeof buf, "sphere radius %g, %d slices, %d stacks", s.w * kStep,
                          s.p, s.q);
    } else {
        n = std::snprintf(buf, sizeof buf, "%s %g x %g x %g", kKindNames[s.kind], s.w * kStep,
                          s.d * kStep, s.h * kStep);
        if (s.kind == kLPrism)
            n += std::snprintf(buf + n, sizeof buf - n, ", notch %g x %g at (w, d)", s.p * kStep,
                               s.q * kStep);
        if (s.kind == kUPrism)
            n += std::snprintf(buf + n, sizeof buf - n, ", legs %g wide, base %g deep", s.p * kStep,
                               s.q * kStep);
    }
    std::snprintf(buf + n, sizeof buf - n,
                  "; %d quarter turns about z, tilt %s, then %.17g rad about z and %.17g rad "
                  "about x; moved by (%g, %g, %g)",
                  s.quarters,
                  s.tilt == 0   ? "none"
                  : s.tilt == 1 ? "x"
                                : "y",
                  s.angleZ, s.angleX, s.offset[0] * kStep, s.offset[1] * kStep,
                  s.offset[2] * kStep);
    return buf;
}

// The outline in steps, counter-clockwise from above.
std::vector<pktest::PlanPoint> Outline(const Solid& s) {
    const double w = s.w, d = s.d, p = s.p, q = s.q;
    switch (s.kind) {
        case kLPrism:
            return {{0, 0}, {w, 0}, {w, d - q}, {w - p, d - q}, {w - p, d}, {0, d}};
        case kUPrism:
            return {{0, 0}, {w, 0}, {w, d}, {w - p, d}, {w - p, q}, {p, q}, {p, d}, {0, d}};
        default:
            return {{0, 0}, {w, 0}, {w, d}, {0, d}};
    }
}

// A new surface for the solid. Quarter turns swap coordinates exactly, so that lattice
// points stay on the lattice; only the extra angles bring in rounding.
G3Surface* Build(const Solid& s) {
    G3Surface* out =
        s.kind == kSphere ? pktest::MakeSphere(s.p, s.q) : pktest::MakePrism(Outline(s), s.h);
    const double scale = s.kind == kSphere ? s.w * kStep : kStep;
    const double cz = std::cos(s.angleZ), sz = std::sin(s.angleZ);
    const double cx = std::cos(s.angleX), sx = std::sin(s.angleX);
    for (int i = 0; i < out->GetVertexCount(); ++i) {
        G3Vertex* v = out->GetVertex(i);
        double x = v->GetX() * scale, y = v->GetY() * scale, z = v->GetZ() * scale;
        for (int k = 0; k < s.quarters; ++k) {
            const double t = x;
            x = -y, y = t;
        }
        if (s.tilt == 1) {
            const double t = y;
            y = -z, z = t;
        } else if (s.tilt == 2) {
            const double t = z;
            z = -x, x = t;
        }
        if (s.angleZ != 0.0) {
            const double t = cz * x - sz * y;
            y = sz * x + cz * y, x = t;
        }
        if (s.angleX != 0.0) {
            const double t = cx * y - sx * z;
            z = sx * y + cx * z, y = t;
        }
        const double p[3] = {x + s.offset[0] * kStep, y + s.offset[1] * kStep,
                             z + s.offset[2] * kStep};
        v->Set(p);
    }
    out->FormPlaneEquation();
    return out;
}

// Prints every broken invariant of the pair, with both solids, and aborts.
[[noreturn]] void Violation(const Solid& a, const Solid& b, const std::string& what) {
    std::fprintf(stderr, "boolean fuzz:\n%s  A: %s\n  B: %s\n", what.c_str(), Describe(a).c_str(),
                 Describe(b).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const Solid sa = DrawSolid(in), sb = DrawSolid(in);
    double va, vb;
    {
        std::unique_ptr<G3Surface> a(Build(sa)), b(Build(sb));
        va = pktest::SignedVolume(a.get());
        vb = pktest::SignedVolume(b.get());
    }
    // All three run before any verdict, so that a report names every broken invariant.
    const char* const names[3] = {"union", "intersection", "difference"};
    double v[3] = {0, 0, 0};  // an empty result has no volume
    std::string broken;
    for (int op = 0; op < 3; ++op) {
        G3BooleanCalculator bc;
        G3Surface* a = Build(sa);
        G3Surface* b = Build(sb);
        std::unique_ptr<G3Surface> r(op == 0   ? bc.Add(a, b)
                                     : op == 1 ? bc.Common(a, b)
                                               : bc.Sub(a, b));
        if (r == nullptr) continue;
        const ::testing::AssertionResult closed = pktest::IsClosedAndOriented(r.get());
        if (!closed)
            broken += std::string("  ") + names[op] + " is not closed: " + closed.message() + "\n";
        v[op] = pktest::SignedVolume(r.get());
    }
    const double tol = kRelTol * (std::fabs(va) + std::fabs(vb));
    if (std::fabs(v[0] + v[1] - va - vb) > tol) broken += "  V(A+B) + V(A*B) != V(A) + V(B)\n";
    if (std::fabs(v[2] - (va - v[1])) > tol) broken += "  V(A-B) != V(A) - V(A*B)\n";
    if (!broken.empty()) {
        char buf[300];
        std::snprintf(buf, sizeof buf,
                      "  volumes A %.17g B %.17g union %.17g intersection %.17g difference %.17g\n",
                      va, vb, v[0], v[1], v[2]);
        Violation(sa, sb, broken + buf);
    }
    return 0;
}
