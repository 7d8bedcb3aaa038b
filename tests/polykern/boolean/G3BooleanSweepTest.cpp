// A seeded sweep over pairs of the bodies architects combine, placed on a coarse lattice
// so that faces coincide, edges and corners touch, and bodies nest or repeat each other.
// Every result must be closed, walk each edge once each way, and satisfy the volume
// identities of union, intersection and difference to 1e-9 relative.

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Plan = std::vector<pktest::PlanPoint>;

G3Surface* Prism(const Plan& outline, double z0, double z1) {
    return pktest::MakePrismBetween(outline, z0, z1);
}

// A torus about the z axis from quadrilaterals, facing outward.
G3Surface* Torus(double big, double small, int around, int across) {
    auto* s = new G3Surface();
    for (int i = 0; i < around; ++i) {
        const double u = 2 * M_PI * i / around;
        for (int j = 0; j < across; ++j) {
            const double v = 2 * M_PI * j / across;
            const double r = big + small * std::cos(v);
            s->AddVertex(r * std::cos(u), r * std::sin(u), small * std::sin(v), 0);
        }
    }
    auto at = [&](int i, int j) { return (i % around) * across + (j % across); };
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            s->AddFacet(4, q, 1, nullptr, nullptr);
        }
    }
    s->FormPlaneEquation();
    return s;
}

using Maker = std::function<G3Surface*()>;

std::vector<Maker> Bodies() {
    return {
        [] { return Prism({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0, 1); },
        [] { return Prism({{0, 0}, {1, 0}, {1, 0.5}, {0.5, 0.5}, {0.5, 1}, {0, 1}}, 0, 0.75); },
        [] {
            return Prism({{0, 0}, {1, 0}, {1, 1}, {0.75, 1}, {0.75, 0.25}, {0.25, 0.25},
                          {0.25, 1}, {0, 1}},
                         0, 0.5);
        },
        [] { return pktest::MakeSphere(16, 8); },
        [] { return Torus(0.5, 0.2, 12, 8); },
    };
}

// Turns about z by a quarter turn count (keeps faces on the lattice) plus an extra
// angle, then moves.
void Place(G3Surface* s, int quarters, double extra, const std::array<double, 3>& by) {
    const double a = quarters * M_PI / 2 + extra, c = std::cos(a), sn = std::sin(a);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double x = v->GetX(), y = v->GetY();
        const double p[3] = {c * x - sn * y + by[0], sn * x + c * y + by[1], v->GetZ() + by[2]};
        v->Set(p);
    }
    s->FormPlaneEquation();
}

struct Pair {
    int a, b, quarters;
    double extra;
    std::array<double, 3> offset;
};

G3Surface* MakeB(const std::vector<Maker>& bodies, const Pair& p) {
    G3Surface* s = bodies[std::size_t(p.b)]();
    Place(s, p.quarters, p.extra, p.offset);
    return s;
}

// The identities on one pair; an empty string when they all hold.
std::string CheckPair(const std::vector<Maker>& bodies, const Pair& p) {
    std::unique_ptr<G3Surface> a0(bodies[std::size_t(p.a)]()), b0(MakeB(bodies, p));
    const double va = pktest::SignedVolume(a0.get()), vb = pktest::SignedVolume(b0.get());
    double v[4] = {0, 0, 0, 0};
    for (int op = 0; op < 4; ++op) {
        G3BooleanCalculator bc;
        G3Surface* a = bodies[std::size_t(p.a)]();
        G3Surface* b = MakeB(bodies, p);
        std::unique_ptr<G3Surface> r(op == 0   ? bc.Add(a, b)
                                     : op == 1 ? bc.Common(a, b)
                                     : op == 2 ? bc.Sub(a, b)
                                               : bc.Add(b, a));
        if (r == nullptr) continue;
        const auto closed = pktest::IsClosedAndOriented(r.get());
        if (!closed) return std::string("operation ") + std::to_string(op) + ": " + closed.message();
        v[op] = pktest::SignedVolume(r.get());
    }
    const double tol = 1e-9 * (va + vb);
    char buf[200];
    if (std::fabs(v[0] + v[1] - va - vb) > tol || std::fabs(v[2] - (va - v[1])) > tol ||
        std::fabs(v[3] - v[0]) > tol) {
        std::snprintf(buf, sizeof buf, "volumes A %.12g B %.12g union %.12g common %.12g "
                      "difference %.12g union BA %.12g", va, vb, v[0], v[1], v[2], v[3]);
        return buf;
    }
    return {};
}

int Sweep(int pairs, unsigned seed) {
    const std::vector<Maker> bodies = Bodies();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> body(0, static_cast<int>(bodies.size()) - 1);
    std::uniform_int_distribution<int> step(-4, 4), quarter(0, 3), kind(0, 9);
    std::uniform_real_distribution<double> angle(0.0, 1.0);
    int failures = 0;
    for (int k = 0; k < pairs; ++k) {
        Pair p{body(rng), body(rng), quarter(rng), 0.0, {0.25 * step(rng), 0.25 * step(rng),
                                                         0.25 * step(rng)}};
        const int how = kind(rng);
        if (how == 0) p = {p.a, p.a, 0, 0.0, {0, 0, 0}};  // identical
        if (how == 1) p.extra = angle(rng);                // turned off the lattice
        const std::string fault = CheckPair(bodies, p);
        if (!fault.empty()) {
            ++failures;
            ADD_FAILURE() << "pair " << k << " (bodies " << p.a << ", " << p.b << ", quarters "
                          << p.quarters << ", extra " << p.extra << ", offset " << p.offset[0]
                          << " " << p.offset[1] << " " << p.offset[2] << "): " << fault;
        }
    }
    return failures;
}

}  // namespace

TEST(G3BooleanSweep, SeededPairsKeepEveryInvariant) { EXPECT_EQ(Sweep(60, 20261208u), 0); }

TEST(G3BooleanSweep, SeededPairsKeepEveryInvariantSlow) { EXPECT_EQ(Sweep(2000, 7u), 0); }
