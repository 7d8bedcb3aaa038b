#pragma once

// A site description: the terrain, the pads levelled into it, the buildings with their
// storeys, openings and roofs, and the openings through their slabs, read from JSON and
// checked before anything is built.

#include <string>
#include <vector>

namespace pkcli {

struct SitePoint {
    double x = 0.0, y = 0.0;
};

/// Either survey files (points as x y z lines, break lines as pairs of point numbers from
/// 0, as `triangulate` reads them) or a grid of heights.
struct SiteTerrain {
    std::string points;      // resolved against the description's folder
    std::string breaklines;  // optional
    bool grid = false;
    SitePoint origin;             // of the grid's first height
    double spacing[2] = {0, 0};   // along x and y
    int columns = 0, rows = 0;    // heights are row after row, each along x
    std::vector<double> heights;  // rows × columns
};

struct SitePad {
    std::string name;
    std::vector<SitePoint> outline;
    double height = 0.0;
    double slopeWidth = 0.0;
};

struct SiteStorey {
    double height = 0.0;
    double slabThickness = 0.0;
};

/// A door or window in wall `wall` (from outline point `wall` to the next), starting
/// `offset` along the wall, `sill` above its storey's floor.
struct SiteOpening {
    bool door = false;
    int wall = 0;
    int storey = 0;
    double offset = 0.0, width = 0.0, sill = 0.0, height = 0.0;
};

/// Pitches in degrees, one per outline edge (edge i from point i to i + 1); 90 is a gable.
struct SiteRoof {
    bool present = false;
    std::vector<double> pitches;
    double overhang = 0.0;
    double thickness = 0.0;
};

struct SiteBuilding {
    std::string name;
    std::vector<SitePoint> outline;
    double wallHeight = 0.0;
    double wallThickness = 0.0;
    bool hasBase = false;  // the floor level given; else the pad or terrain under it
    double base = 0.0;
    std::vector<SiteStorey> storeys;  // from the ground up; one of the whole height if none
    std::vector<SiteOpening> openings;
    SiteRoof roof;
};

/// An opening through the floor slab of `storey` (from 0) of a building, named by name.
struct SiteSlabOpening {
    std::string building;
    int storey = 0;
    std::vector<SitePoint> outline;
};

struct SiteDescription {
    SiteTerrain terrain;
    std::vector<SitePad> pads;
    bool smooth = false;
    std::vector<SiteBuilding> buildings;
    std::vector<SiteSlabOpening> slabOpenings;
};

/// Reads and checks the description at `path`. False with *error set to one line naming
/// the element and the field at fault: a file that is not JSON, an unknown or missing
/// key, a value of the wrong type or out of range, an outline that crosses itself or has
/// fewer than three distinct corners, an opening outside its wall or storey, a slab
/// opening outside its building, a roof whose pitches do not match its outline.
bool ReadSiteDescription(const std::string& path, SiteDescription* out, std::string* error);

/// Checks the pads against the terrain's plan box (x0, y0, x1, y1): a pad that lies
/// wholly outside it is refused, naming the pad.
bool CheckPadsOnTerrain(const SiteDescription& site, const double box[4], std::string* error);

/// Twice the signed plan area of a closed polygon (positive counter-clockwise).
double TwiceSignedArea(const std::vector<SitePoint>& polygon);

/// Whether p lies inside the closed polygon (crossing parity).
bool InsidePolygon(const SitePoint& p, const std::vector<SitePoint>& polygon);

/// Whether the closed outline crosses or touches itself; *first and *second get the
/// segments (segment i runs from point i to i + 1) that do.
bool OutlineCrossesItself(const std::vector<SitePoint>& outline, int* first, int* second);

}  // namespace pkcli
