// Contour tracing and self-intersection removal must give exactly the results they gave
// before they were made fast: the same contours in the same order, the same edges in the
// same order over the same vertices, the same new vertices in the surface. Each case below
// pins a fingerprint of the whole result, recorded from the straightforward implementation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

const double kXY[4] = {0, 0, 1, 0};   // z = 0
const double kYZ[4] = {1, 0, 0, -2};  // x = 2: the list works on axes y and z
const double kPi = 3.141592653589793;

// FNV-1a over the bytes of every value fed in.
class Fingerprint {
public:
    template <class T>
    void Add(const T& value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) m_Hash = (m_Hash ^ b) * 1099511628211ull;
    }
    void AddVertex(const G3Vertex* v) {
        Add(v->GetId());
        for (int k = 0; k < 3; ++k) Add(v->GetXYZ(k));
    }
    void AddList(G3EdgeList* list) {
        Add(list->size());
        Add(static_cast<int>(list->GetContourType()));
        Add(list->GetInCount());
        for (int i = 0; i < list->size(); ++i) {
            const G3Edge* e = list->GetEdgeAt(i);
            AddVertex(e->GetVertex1());
            AddVertex(e->GetVertex2());
            Add(e->GetFlags());
            G3TexCoo* t = nullptr;
            const G3Normal* n = e->GetFacet1V1(&t);
            Add(n != nullptr ? n->GetId() : -1);
        }
    }
    uint64_t Value() const { return m_Hash; }

private:
    uint64_t m_Hash = 1469598103934665603ull;
};

// One input: the surface owning its vertices, the edge list, and how it is traced.
struct Input {
    G3Surface surface;
    G3EdgeList list{1, 1};
    bool remove = true;  // RemoveSelfIntersections, else FormContours
    bool remesh = false;
    UNION_EDGE_ALG alg = UNION_EDGE_SPLIT;

    G3Vertex* V(double x, double y) { return surface.AddVertex(x, y, 0, 0); }
    void Edge(G3Vertex* a, G3Vertex* b, int32_t flags = 1) {
        list.AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, flags);
    }
    void Loop(const std::vector<std::pair<double, double>>& points) {
        std::vector<G3Vertex*> v;
        for (const auto& p : points) v.push_back(V(p.first, p.second));
        for (std::size_t k = 0; k < v.size(); ++k) Edge(v[k], v[(k + 1) % v.size()]);
    }
};

// Traces the input and fingerprints the contours, the list left behind and the surface.
uint64_t Trace(Input& in, int* contours) {
    GArrayCollection out;
    if (in.remove) {
        in.list.RemoveSelfIntersections(&out, &in.surface, in.remesh, in.alg, 0);
    } else {
        in.list.FormContours(&out);
    }
    Fingerprint f;
    f.Add(out.size());
    for (int i = 0; i < out.size(); ++i) f.AddList(static_cast<G3EdgeList*>(out.get(i)));
    f.AddList(&in.list);
    f.Add(in.surface.GetVertexCount());
    for (int i = 0; i < in.surface.GetVertexCount(); ++i) f.AddVertex(in.surface.GetVertex(i));
    f.Add(in.surface.GetNormalCount());
    *contours = out.size();
    out.clear(true);
    return f.Value();
}

// A star of n points at equal angles, radii drawn from 5 … 10; with `jitter`, each angle
// moves by up to that many steps, so that neighbours swap and their edges cross.
void Star(Input& in, int n, unsigned seed, double jitter) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> radius(5.0, 10.0), shift(-jitter, jitter);
    std::vector<std::pair<double, double>> points;
    for (int k = 0; k < n; ++k) {
        const double angle = 2 * kPi * (k + (jitter > 0 ? shift(rng) : 0.0)) / n;
        const double r = radius(rng);
        points.emplace_back(r * std::cos(angle), r * std::sin(angle));
    }
    in.Loop(points);
    in.list.SetPlane(kXY);
}

// A closed random polygon over points spread in a square: crossings everywhere.
void Scribble(Input& in, int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(0.0, 10.0);
    std::vector<std::pair<double, double>> points;
    for (int k = 0; k < n; ++k) points.emplace_back(coord(rng), coord(rng));
    in.Loop(points);
    in.list.SetPlane(kXY);
}

struct Case {
    const char* name;
    std::function<void(Input&)> build;
};

// The contour count and fingerprint recorded for a case.
struct Recorded {
    int contours;
    uint64_t fingerprint;
};

// Compares every case with its record; without records, lists what the cases give.
void Check(const std::vector<Case>& cases, const std::vector<Recorded>& recorded) {
    std::ostringstream listing;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        Input in;
        cases[k].build(in);
        int contours = 0;
        const uint64_t got = Trace(in, &contours);
        listing << "{" << std::dec << contours << ", 0x" << std::hex << got << "},\n";
        if (k >= recorded.size()) continue;
        EXPECT_TRUE(contours == recorded[k].contours && got == recorded[k].fingerprint)
            << "case " << k << " (" << cases[k].name << ") gives {" << std::dec << contours
            << ", 0x" << std::hex << got << "}";
    }
    EXPECT_EQ(cases.size(), recorded.size()) << "the cases give:\n" << listing.str();
}

TEST(G3EdgeListTrace, RemoveSelfIntersectionsOnLargeStarIsNotQuadratic) {
    const std::vector<Case> cases = {
        {"star", [](Input& in) { Star(in, 4096, 99, 0.0); }},
        {"star, traced only",
         [](Input& in) {
             Star(in, 4096, 99, 0.0);
             in.remove = false;
         }},
        {"crossing star", [](Input& in) { Star(in, 4096, 7, 2.7); }},
        {"crossing star, remeshed",
         [](Input& in) {
             Star(in, 512, 6, 1.5);
             in.remesh = true;
         }},
    };
    Check(cases, {
                     {1, 0xb7eee770c976b6f9},
                     {1, 0xb7eee770c976b6f9},
                     {560, 0x9e5421a27830b746},
                     {14, 0xc02a5cb284f7c60f},
                 });
}

TEST(G3EdgeListTrace, CrossingPolygonsKeepTheirContoursAndNewVertices) {
    std::vector<Case> cases;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        cases.push_back({"scribble", [seed](Input& in) { Scribble(in, 8 + 7 * seed, seed); }});
    }
    cases.push_back({"scribble, remeshed", [](Input& in) {
                         Scribble(in, 40, 77);
                         in.remesh = true;
                     }});
    cases.push_back({"scribble, merged", [](Input& in) {
                         Scribble(in, 30, 78);
                         in.alg = UNION_EDGE_MERGE;
                     }});
    cases.push_back({"scribble, overlaps resolved", [](Input& in) {
                         Scribble(in, 30, 79);
                         in.alg = UNION_EDGE_OVERLAP;
                     }});
    cases.push_back({"bow tie", [](Input& in) {
                         in.Loop({{0, 0}, {2, 2}, {2, 0}, {0, 2}});
                         in.list.SetPlane(kXY);
                     }});
    cases.push_back({"shaded crossing star in the yz plane", [](Input& in) {
                         std::mt19937 rng(4);
                         std::uniform_real_distribution<double> radius(5.0, 10.0), shift(-1, 1);
                         const int n = 64;
                         std::vector<G3Vertex*> v;
                         for (int k = 0; k < n; ++k) {
                             const double a = 2 * kPi * (k + shift(rng)) / n, r = radius(rng);
                             v.push_back(
                                 in.surface.AddVertex(2, r * std::cos(a), r * std::sin(a), 0));
                         }
                         for (int k = 0; k < n; ++k) {
                             G3Normal* a = in.surface.AddNormal(1, 0.01 * k, 0);
                             G3Normal* b = in.surface.AddNormal(1, 0, 0.01 * k);
                             in.list.AddEdge(v[k], v[(k + 1) % n], a, b, nullptr, nullptr, 1);
                         }
                         in.list.SetPlane(kYZ);
                     }});
    Check(cases, {
                     {22, 0x25e26419981982c8},
                     {27, 0x1fcbbda9f659ed2b},
                     {36, 0x654cfa26ca4f188c},
                     {75, 0xc24117a9c0ec2f8a},
                     {113, 0xc1659310806f2479},
                     {142, 0xf68ed104ac129c2f},
                     {78, 0xc8d689d37d4bfca0},
                     {41, 0x9b8de4e9b10b4c0e},
                     {64, 0x8b4bc8161848c7d9},
                     {2, 0xea3e0cb20ce26a86},
                     {2, 0x3b5f1a9513195e2b},
                 });
}

// Collinear overlaps, doubled edges, spurs and endpoints a hair apart, under each way of
// reading doubled edges.
TEST(G3EdgeListTrace, OverlapsDoublesAndNearPointsKeepTheirContours) {
    auto overlapping = [](Input& in) {
        // Runs back along its own bottom side and meets it in a T.
        in.Loop({{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 0}, {3, 0}, {3, -1}, {0, -1}});
        in.list.SetPlane(kXY);
    };
    auto doubledCut = [](Input& in) {
        G3Vertex *a = in.V(0, 0), *b = in.V(4, 0), *c = in.V(4, 4), *d = in.V(0, 4);
        in.Edge(a, b);
        in.Edge(b, c);
        in.Edge(c, d);
        in.Edge(d, a);
        in.Edge(a, c, 0);  // the cut, once each way
        in.Edge(c, a, 0);
        in.Edge(b, d, 0);  // and a second cut crossing it
        in.Edge(d, b, 0);
        in.list.SetPlane(kXY);
    };
    auto fourSquares = [](Input& in) {
        G3Vertex* g[3][3];
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) g[j][i] = in.V(i, j);
        }
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 2; ++i) {
                G3Vertex* r[4] = {g[j][i], g[j][i + 1], g[j + 1][i + 1], g[j + 1][i]};
                for (int k = 0; k < 4; ++k) in.Edge(r[k], r[(k + 1) % 4]);
            }
        }
        in.list.SetPlane(kXY);
    };
    auto nearPoints = [](Input& in) {
        // Loose edges of two touching squares, every endpoint its own vertex, moved by less
        // than 1e-6; plus a spur and a tripled spur.
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> hair(-0.3e-6, 0.3e-6);
        const double pts[7][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}, {3, 3}};
        const int ends[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {1, 4}, {4, 5},
                               {5, 2}, {2, 6}, {5, 6}, {5, 6}, {5, 6}};
        for (const auto& e : ends) {
            G3Vertex* a = in.V(pts[e[0]][0] + hair(rng), pts[e[0]][1] + hair(rng));
            G3Vertex* b = in.V(pts[e[1]][0] + hair(rng), pts[e[1]][1] + hair(rng));
            in.Edge(a, b);
        }
        in.list.SetPlane(kXY);
    };
    auto withAlg = [](std::function<void(Input&)> build, UNION_EDGE_ALG alg, bool remove) {
        return [build, alg, remove](Input& in) {
            build(in);
            in.alg = alg;
            in.remove = remove;
        };
    };
    std::vector<Case> cases;
    for (const auto& build :
         {std::function<void(Input&)>(overlapping), std::function<void(Input&)>(doubledCut),
          std::function<void(Input&)>(fourSquares), std::function<void(Input&)>(nearPoints)}) {
        for (UNION_EDGE_ALG alg :
             {UNION_EDGE_NONE, UNION_EDGE_SPLIT, UNION_EDGE_MERGE, UNION_EDGE_OVERLAP})
            cases.push_back({"input", withAlg(build, alg, true)});
        cases.push_back({"input, traced only", withAlg(build, UNION_EDGE_NONE, false)});
    }
    cases.push_back({"square with hole, remeshed", [](Input& in) {
                         in.Loop({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
                         in.Loop({{4, 4}, {4, 6}, {6, 6}, {6, 4}});
                         in.Loop({{1, 1}, {1, 2}, {2, 2}, {2, 1}});
                         in.list.SetPlane(kXY);
                         in.remesh = true;
                     }});
    Check(cases, {
                     {2, 0x4b191239ba46a86b}, {2, 0x4b191239ba46a86b}, {2, 0x4b191239ba46a86b},
                     {1, 0x839feaa2f1c59168}, {1, 0xf14ab2317b6f6efa}, {4, 0x287e57da48b50a4b},
                     {4, 0x287e57da48b50a4b}, {1, 0x7ed7ac2539c235d2}, {1, 0x7ed7ac2539c235d2},
                     {1, 0xefea40736bd24626}, {4, 0x8d86c908506de7be}, {4, 0x8d86c908506de7be},
                     {1, 0x7a2c9ac0bf2b53db}, {1, 0xb7118c21c5e2d141}, {4, 0x8d86c908506de7be},
                     {2, 0xc9ae62ac060ddfd3}, {2, 0xc9ae62ac060ddfd3}, {2, 0xc9ae62ac060ddfd3},
                     {2, 0xc9ae62ac060ddfd3}, {2, 0xc9ae62ac060ddfd3}, {1, 0x422727907ffda589},
                 });
}

// Many vertices at nearly the same height: which one is top-most follows the scan through
// the vertices, where heights within 1e-6 tie and then x decides, a comparison that does
// not chain. A staircase of squares stepping down by half the tolerance, and needles whose
// tips crowd one another, each traced in a shuffled vertex order.
TEST(G3EdgeListTrace, TopMostVertexAmongNearTiesIsChosenAsBefore) {
    auto staircase = [](Input& in) {
        std::vector<std::vector<std::pair<double, double>>> squares;
        for (int k = 0; k < 40; ++k) {
            const double x = 3.0 * k, top = 10 - 0.5e-6 * k;
            squares.push_back({{x, top - 2}, {x + 1, top - 2}, {x + 1, top}, {x, top}});
        }
        std::shuffle(squares.begin(), squares.end(), std::mt19937(21));
        for (const auto& sq : squares) in.Loop(sq);
        in.list.SetPlane(kXY);
        in.remove = false;
    };
    auto needles = [](Input& in) {
        std::mt19937 rng(22);
        std::uniform_real_distribution<double> jitter(-0.45e-6, 0.45e-6);
        std::vector<std::vector<std::pair<double, double>>> tips;
        for (int k = 0; k < 30; ++k) {
            const double x = 0.8e-6 * k, y = 10 + jitter(rng);
            tips.push_back({{x, y}, {-60.0 + 4 * k, 0}, {-58.0 + 4 * k, 0}});
        }
        std::shuffle(tips.begin(), tips.end(), rng);
        for (const auto& t : tips) in.Loop(t);
        in.list.SetPlane(kXY);
    };
    const std::vector<Case> cases = {
        {"staircase", staircase},
        {"needles", needles},
        {"needles, traced only",
         [needles](Input& in) {
             needles(in);
             in.remove = false;
         }},
    };
    Check(cases, {
                     {40, 0xe0e28eb0f190a637},
                     {17, 0xba445eab41b50180},
                     {30, 0x9576eb4d4f7cffe3},
                 });
}

// Endpoints that are not finite merge with nothing and order with nothing: spurs to them
// are stripped, and the square they hang off is traced as usual.
TEST(G3EdgeListTrace, NonFiniteEndpointsLeaveTheSquareTheyHangOff) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (bool remove : {false, true}) {
        Input in;
        in.Loop({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
        G3Vertex* corner = in.list.GetEdgeAt(2)->GetVertex1();
        // The surface refuses to make such vertices, but a vertex can be moved there.
        auto Spoiled = [&](double x, double y) {
            G3Vertex* v = in.V(50, 50);
            v->GetXYZ()[0] = x;
            v->GetXYZ()[1] = y;
            return v;
        };
        in.Edge(corner, Spoiled(nan, 2));
        in.Edge(Spoiled(inf, 1), corner);
        in.Edge(corner, Spoiled(0.5, -inf));
        in.list.SetPlane(kXY);
        GArrayCollection out;
        if (remove) {
            in.list.RemoveSelfIntersections(&out, &in.surface, false, UNION_EDGE_SPLIT, 0);
        } else {
            in.list.FormContours(&out);
        }
        ASSERT_EQ(out.size(), 1) << (remove ? "removing crossings" : "tracing");
        auto* square = static_cast<G3EdgeList*>(out.get(0));
        EXPECT_EQ(square->size(), 4);
        for (int i = 0; i < 4; ++i) {
            const G3Edge* e = square->GetEdgeAt(i);
            EXPECT_TRUE(std::isfinite(e->GetVertex1()->GetX() + e->GetVertex1()->GetY()));
            EXPECT_EQ(e->GetVertex2(), square->GetEdgeAt((i + 1) % 4)->GetVertex1());
        }
        out.clear(true);
    }
}

}  // namespace
