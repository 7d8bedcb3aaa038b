#include "tools/polykern/DemoScene.h"

#include <memory>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pkcli {

namespace {

struct Box {
    double lo[3];
    double hi[3];
};

// The building, in metres: 10 × 7 outside, walls 0.3 thick and 2.8 high on a 0.25 slab.
constexpr double kLength = 10.0, kWidth = 7.0, kWall = 0.3, kHeight = 2.8, kSlab = 0.25;
constexpr double kDoorTop = 2.1, kSill = 0.9, kHead = 2.1;

// Wall pieces around the openings: a door in the south wall, two windows in the north
// wall and one in the east wall.
const Box kWalls[] = {
    // south wall, door between x 4.2 and 5.2
    {{0, 0, 0}, {4.2, kWall, kHeight}},
    {{5.2, 0, 0}, {kLength, kWall, kHeight}},
    {{4.2, 0, kDoorTop}, {5.2, kWall, kHeight}},
    // north wall, windows between x 2 and 3.5, and 6.5 and 8
    {{0, kWidth - kWall, 0}, {2, kWidth, kHeight}},
    {{3.5, kWidth - kWall, 0}, {6.5, kWidth, kHeight}},
    {{8, kWidth - kWall, 0}, {kLength, kWidth, kHeight}},
    {{2, kWidth - kWall, 0}, {3.5, kWidth, kSill}},
    {{2, kWidth - kWall, kHead}, {3.5, kWidth, kHeight}},
    {{6.5, kWidth - kWall, 0}, {8, kWidth, kSill}},
    {{6.5, kWidth - kWall, kHead}, {8, kWidth, kHeight}},
    // west wall
    {{0, kWall, 0}, {kWall, kWidth - kWall, kHeight}},
    // east wall, window between y 3 and 4.5
    {{kLength - kWall, kWall, 0}, {kLength, 3, kHeight}},
    {{kLength - kWall, 4.5, 0}, {kLength, kWidth - kWall, kHeight}},
    {{kLength - kWall, 3, 0}, {kLength, 4.5, kSill}},
    {{kLength - kWall, 3, kHead}, {kLength, 4.5, kHeight}},
};

// The stair opening through the slab.
constexpr double kStairLo[2] = {1.0, 3.9}, kStairHi[2] = {2.8, 6.2};

// Adds one facet through corners (x, y, z) given as indices into a box's corner table,
// each corner a vertex of its own, as a file from another program would hold it.
void AddRawFacet(G3Surface& s, const double (*corners)[3], std::initializer_list<int> ids) {
    G3Vertex* v[8];
    int n = 0;
    for (const int id : ids) v[n++] = s.AddVertex(corners[id], 0);
    s.AddFacet(n, v, 1, nullptr, nullptr);
}

// A box as six faces over 24 separate corners; every other face runs the wrong way.
void AddRawBox(G3Surface& s, const Box& b) {
    double c[8][3];
    for (int k = 0; k < 8; ++k) {
        c[k][0] = (k & 1) ? b.hi[0] : b.lo[0];
        c[k][1] = (k & 2) ? b.hi[1] : b.lo[1];
        c[k][2] = (k & 4) ? b.hi[2] : b.lo[2];
    }
    AddRawFacet(s, c, {0, 2, 3, 1});  // bottom, facing down
    AddRawFacet(s, c, {4, 6, 7, 5});  // top, reversed
    AddRawFacet(s, c, {0, 1, 5, 4});  // south
    AddRawFacet(s, c, {2, 6, 7, 3});  // north, reversed
    AddRawFacet(s, c, {0, 4, 6, 2});  // west
    AddRawFacet(s, c, {1, 5, 7, 3});  // east, reversed
}

// The slab: top and bottom faces with the stair opening as a hole, the outer and the
// inner sides as quads.
void AddRawSlab(G3Surface& s) {
    const double x[4] = {0, kStairLo[0], kStairHi[0], kLength};
    const double y[4] = {0, kStairLo[1], kStairHi[1], kWidth};
    for (const double z : {-kSlab, 0.0}) {
        const double outer[4][3] = {
            {x[0], y[0], z}, {x[3], y[0], z}, {x[3], y[3], z}, {x[0], y[3], z}};
        const double hole[4][3] = {
            {x[1], y[1], z}, {x[2], y[1], z}, {x[2], y[2], z}, {x[1], y[2], z}};
        s.BeginComplexFacet();
        AddRawFacet(s, outer, {0, 1, 2, 3});
        AddRawFacet(s, hole, {0, 1, 2, 3});
        s.EndComplexFacet();
    }
    for (const int ring : {0, 1}) {
        const int a = ring == 0 ? 0 : 1, b = ring == 0 ? 3 : 2;
        const double c[8][3] = {{x[a], y[a], -kSlab}, {x[b], y[a], -kSlab}, {x[b], y[b], -kSlab},
                                {x[a], y[b], -kSlab}, {x[a], y[a], 0},      {x[b], y[a], 0},
                                {x[b], y[b], 0},      {x[a], y[b], 0}};
        for (int k = 0; k < 4; ++k) AddRawFacet(s, c, {k, (k + 1) % 4, 4 + (k + 1) % 4, 4 + k});
    }
}

// Welds the piece's corners and turns every face outward, as `polykern clean` does.
void CleanPiece(G3Surface& s) {
    s.RemoveEqualsVertexAndDivideEdges();
    s.RemoveTrivialFacets();
    s.Update(CHECK_LEVEL_1001);
    s.RemoveUnused();
}

}  // namespace

G3Surface* BuildDemoScene() {
    auto scene = std::make_unique<G3Surface>();
    {
        G3Surface slab;
        AddRawSlab(slab);
        CleanPiece(slab);
        scene->Copy(&slab);
    }
    for (const Box& b : kWalls) {
        G3Surface wall;
        AddRawBox(wall, b);
        CleanPiece(wall);
        scene->Copy(&wall);
    }
    return scene.release();
}

}  // namespace pkcli
