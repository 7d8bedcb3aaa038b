#include "tools/polykern/SiteDescription.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace pkcli {

namespace {

using Json = nlohmann::json;

// A fault in the description; its text names the element and the field.
struct SiteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

// One JSON object of the description with the path that names it ("buildings[1]
// \"garage\"", "roof"), read key by key.
class Element {
public:
    Element(const Json& json, std::string where) : m_Json(json), m_Where(std::move(where)) {
        if (!m_Json.is_object()) Fail("", "must be an object");
    }

    [[noreturn]] void Fail(const std::string& key, const std::string& what) const {
        std::string head = m_Where;
        if (!key.empty()) head = head.empty() ? key : head + ": " + key;
        throw SiteError(head.empty() ? what : head + ": " + what);
    }

    // Every key must be one of `known`.
    void OnlyKeys(std::initializer_list<const char*> known) const {
        for (auto it = m_Json.begin(); it != m_Json.end(); ++it) {
            if (std::none_of(known.begin(), known.end(),
                             [&](const char* k) { return it.key() == k; }))
                Fail("", "unknown key " + Quote(it.key()));
        }
    }

    bool Has(const char* key) const { return m_Json.contains(key); }

    const Json& Get(const char* key) const {
        if (!m_Json.contains(key)) Fail(key, "missing");
        return m_Json.at(key);
    }

    double Number(const char* key, double lo, double hi) const {
        const Json& v = Get(key);
        if (!v.is_number()) Fail(key, "must be a number");
        const double x = v.get<double>();
        if (!std::isfinite(x) || x < lo || x > hi) {
            std::ostringstream s;
            s << x << " is out of range [" << lo << ", " << hi << "]";
            Fail(key, s.str());
        }
        return x;
    }
    double Number(const char* key, double lo, double hi, double fallback) const {
        return Has(key) ? Number(key, lo, hi) : fallback;
    }

    int Integer(const char* key, int lo, int hi, int fallback) const {
        if (!Has(key)) return fallback;
        const Json& v = Get(key);
        if (!v.is_number_integer()) Fail(key, "must be a whole number");
        const auto x = v.get<long long>();
        if (x < lo || x > hi)
            Fail(key, std::to_string(x) + " is out of range [" + std::to_string(lo) + ", " +
                          std::to_string(hi) + "]");
        return static_cast<int>(x);
    }

    std::string Text(const char* key, const std::string& fallback) const {
        if (!Has(key)) return fallback;
        const Json& v = Get(key);
        if (!v.is_string() || v.get<std::string>().empty()) Fail(key, "must be a non-empty text");
        return v.get<std::string>();
    }

    bool Flag(const char* key, bool fallback) const {
        if (!Has(key)) return fallback;
        if (!Get(key).is_boolean()) Fail(key, "must be true or false");
        return Get(key).get<bool>();
    }

    const Json& List(const char* key) const {
        const Json& v = Get(key);
        if (!v.is_array()) Fail(key, "must be a list");
        return v;
    }

    // A closed plan outline of at least three distinct corners that does not cross itself;
    // a last point repeating the first is dropped.
    std::vector<SitePoint> Outline(const char* key) const {
        std::vector<SitePoint> out;
        const Json& list = List(key);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Json& p = list[i];
            if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number())
                Fail(key, "point " + std::to_string(i) + " must be [x, y]");
            const SitePoint q{p[0].get<double>(), p[1].get<double>()};
            if (!std::isfinite(q.x) || !std::isfinite(q.y))
                Fail(key, "point " + std::to_string(i) + " is not finite");
            if (!out.empty() && std::hypot(q.x - out.back().x, q.y - out.back().y) < 1e-6)
                Fail(key, "point " + std::to_string(i) + " repeats the one before it");
            out.push_back(q);
        }
        if (out.size() >= 3 &&
            std::hypot(out.front().x - out.back().x, out.front().y - out.back().y) < 1e-6)
            out.pop_back();
        if (out.size() < 3) Fail(key, "needs at least three distinct points");
        int s = 0, t = 0;
        if (OutlineCrossesItself(out, &s, &t))
            Fail(key, "crosses itself (segments " + std::to_string(s) + " and " +
                          std::to_string(t) + ")");
        if (!(std::fabs(TwiceSignedArea(out)) > 1e-9)) Fail(key, "encloses no area");
        return out;
    }

    const std::string& Where() const { return m_Where; }

private:
    const Json& m_Json;
    std::string m_Where;
};

std::string Indexed(const char* list, std::size_t i, const Json& item) {
    std::string where = std::string(list) + "[" + std::to_string(i) + "]";
    if (item.is_object() && item.contains("name") && item["name"].is_string())
        where += " " + Quote(item["name"].get<std::string>());
    return where;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Resolve(const std::string& folder, const std::string& file) {
    return !file.empty() && file[0] == '/' ? file : folder + "/" + file;
}

void ReadTerrain(const Element& e, const std::string& folder, SiteTerrain* t) {
    e.OnlyKeys({"points", "breaklines", "grid"});
    if (e.Has("grid") == e.Has("points")) e.Fail("", "give either \"points\" or \"grid\"");
    if (e.Has("points")) {
        t->points = Resolve(folder, e.Text("points", ""));
        if (e.Has("breaklines")) t->breaklines = Resolve(folder, e.Text("breaklines", ""));
        return;
    }
    if (e.Has("breaklines")) e.Fail("breaklines", "needs survey \"points\", not a grid");
    const Element g(e.Get("grid"), "terrain: grid");
    g.OnlyKeys({"origin", "spacing", "heights"});
    const Json& origin = g.List("origin");
    if (origin.size() != 2 || !origin[0].is_number() || !origin[1].is_number())
        g.Fail("origin", "must be [x, y]");
    t->grid = true;
    t->origin = {origin[0].get<double>(), origin[1].get<double>()};
    const Json& spacing = g.Get("spacing");
    if (spacing.is_number()) {
        t->spacing[0] = t->spacing[1] = spacing.get<double>();
    } else if (spacing.is_array() && spacing.size() == 2 && spacing[0].is_number() &&
               spacing[1].is_number()) {
        t->spacing[0] = spacing[0].get<double>();
        t->spacing[1] = spacing[1].get<double>();
    } else {
        g.Fail("spacing", "must be a number or [dx, dy]");
    }
    if (!(t->spacing[0] > 0.0) || !(t->spacing[1] > 0.0) || !std::isfinite(t->spacing[0]) ||
        !std::isfinite(t->spacing[1]))
        g.Fail("spacing", "must be positive");
    const Json& rows = g.List("heights");
    t->rows = static_cast<int>(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!rows[r].is_array()) g.Fail("heights", "row " + std::to_string(r) + " must be a list");
        if (r == 0) t->columns = static_cast<int>(rows[r].size());
        if (static_cast<int>(rows[r].size()) != t->columns)
            g.Fail("heights", "row " + std::to_string(r) + " has " +
                                  std::to_string(rows[r].size()) + " heights, row 0 has " +
                                  std::to_string(t->columns));
        for (const Json& z : rows[r]) {
            if (!z.is_number() || !std::isfinite(z.get<double>()))
                g.Fail("heights", "row " + std::to_string(r) + " holds a value that is no number");
            t->heights.push_back(z.get<double>());
        }
    }
    if (t->rows < 2 || t->columns < 2) g.Fail("heights", "needs at least 2 rows of 2 heights");
}

SitePad ReadPad(const Element& e) {
    e.OnlyKeys({"name", "outline", "height", "slope_width"});
    SitePad pad;
    pad.name = e.Text("name", "");
    pad.outline = e.Outline("outline");
    pad.height = e.Number("height", -1e7, 1e7);
    pad.slopeWidth = e.Number("slope_width", 0.01, 1e4);
    return pad;
}

SiteRoof ReadRoof(const Element& e, std::size_t edges) {
    e.OnlyKeys({"pitch", "pitches", "gables", "overhang", "thickness"});
    SiteRoof roof;
    roof.present = true;
    if (e.Has("pitch") == e.Has("pitches")) e.Fail("", "give either \"pitch\" or \"pitches\"");
    if (e.Has("pitch")) {
        roof.pitches.assign(edges, e.Number("pitch", 1.0, 89.0));
    } else {
        const Json& list = e.List("pitches");
        if (list.size() != edges)
            e.Fail("pitches", std::to_string(list.size()) + " pitches for " +
                                  std::to_string(edges) + " outline edges");
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!list[i].is_number())
                e.Fail("pitches", "pitch " + std::to_string(i) + " is no number");
            const double a = list[i].get<double>();
            if (!(a >= 1.0 && a <= 90.0))
                e.Fail("pitches", "pitch " + std::to_string(i) + " must lie in [1, 90] degrees");
            roof.pitches.push_back(a);
        }
    }
    if (e.Has("gables")) {
        const Json& list = e.List("gables");
        for (const Json& g : list) {
            if (!g.is_number_integer() || g.get<long long>() < 0 ||
                g.get<long long>() >= static_cast<long long>(edges))
                e.Fail("gables",
                       "each gable is an outline edge from 0 to " + std::to_string(edges - 1));
            roof.pitches[static_cast<std::size_t>(g.get<long long>())] = 90.0;
        }
    }
    if (std::all_of(roof.pitches.begin(), roof.pitches.end(), [](double a) { return a >= 90.0; }))
        e.Fail("", "every edge is a gable: the roof has no sloped plane");
    roof.overhang = e.Number("overhang", 0.0, 100.0, 0.0);
    // A roof is always built thick, so that it closes into a solid with the walls.
    roof.thickness = e.Number("thickness", 0.01, 5.0, 0.2);
    return roof;
}

SiteBuilding ReadBuilding(const Element& e) {
    e.OnlyKeys({"name", "outline", "base", "wall_height", "wall_thickness", "storeys", "openings",
                "roof"});
    SiteBuilding b;
    b.name = e.Text("name", "");
    b.outline = e.Outline("outline");
    b.wallHeight = e.Number("wall_height", 0.1, 1000.0);
    b.wallThickness = e.Number("wall_thickness", 0.01, 10.0);
    b.hasBase = e.Has("base");
    b.base = e.Number("base", -1e7, 1e7, 0.0);
    if (e.Has("storeys")) {
        const Json& list = e.List("storeys");
        double total = 0.0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Element s(list[i], e.Where() + ": storeys[" + std::to_string(i) + "]");
            s.OnlyKeys({"height", "slab_thickness"});
            SiteStorey storey;
            storey.height = s.Number("height", 0.5, 100.0);
            storey.slabThickness = s.Number("slab_thickness", 0.0, storey.height / 2);
            total += storey.height;
            b.storeys.push_back(storey);
        }
        if (b.storeys.empty()) e.Fail("storeys", "is empty");
        if (total > b.wallHeight + 1e-9)
            e.Fail("storeys", "they add up to more than the wall height");
    } else {
        b.storeys.push_back({b.wallHeight, 0.0});
    }
    if (e.Has("openings")) {
        const Json& list = e.List("openings");
        const int walls = static_cast<int>(b.outline.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Element o(list[i], e.Where() + ": openings[" + std::to_string(i) + "]");
            o.OnlyKeys({"type", "wall", "storey", "offset", "width", "sill", "height"});
            SiteOpening op;
            const std::string type = o.Text("type", "");
            if (type != "door" && type != "window")
                o.Fail("type", "must be \"door\" or \"window\"");
            op.door = type == "door";
            if (!o.Has("wall")) o.Fail("wall", "missing");
            op.wall = o.Integer("wall", 0, walls - 1, 0);
            op.storey = o.Integer("storey", 0, static_cast<int>(b.storeys.size()) - 1, 0);
            op.offset = o.Number("offset", 0.0, 1e5);
            op.width = o.Number("width", 0.05, 1e5);
            op.sill = o.Number("sill", 0.0, 1e3, 0.0);
            op.height = o.Number("height", 0.05, 1e3);
            if (op.door && op.sill > 0.0) o.Fail("sill", "a door starts at its storey's floor");
            const SitePoint& a = b.outline[static_cast<std::size_t>(op.wall)];
            const SitePoint& c =
                b.outline[(static_cast<std::size_t>(op.wall) + 1) % b.outline.size()];
            const double length = std::hypot(c.x - a.x, c.y - a.y);
            // Clear of the corners, where the walls meet.
            if (op.offset < b.wallThickness - 1e-9 ||
                op.offset + op.width > length - b.wallThickness + 1e-9)
                o.Fail("offset", "the opening leaves its wall (the wall is " +
                                     std::to_string(length) + " long, its ends " +
                                     std::to_string(b.wallThickness) + " thick)");
            const SiteStorey& storey = b.storeys[static_cast<std::size_t>(op.storey)];
            // Sills count from the top of the storey's floor slab.
            if (op.sill + op.height > storey.height - storey.slabThickness + 1e-9)
                o.Fail("height", "the opening reaches above its storey");
            b.openings.push_back(op);
        }
    }
    if (e.Has("roof"))
        b.roof = ReadRoof(Element(e.Get("roof"), e.Where() + ": roof"), b.outline.size());
    return b;
}

}  // namespace

double TwiceSignedArea(const std::vector<SitePoint>& polygon) {
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const SitePoint& a = polygon[i];
        const SitePoint& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice;
}

bool InsidePolygon(const SitePoint& p, const std::vector<SitePoint>& polygon) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const SitePoint& a = polygon[i];
        const SitePoint& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

bool OutlineCrossesItself(const std::vector<SitePoint>& outline, int* first, int* second) {
    const std::size_t n = outline.size();
    auto cross = [](const SitePoint& o, const SitePoint& a, const SitePoint& b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    auto onSegment = [&](const SitePoint& p, const SitePoint& a, const SitePoint& b) {
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        if (std::fabs(cross(a, b, p)) > 1e-9 * std::max(len, 1.0)) return false;
        return std::min(a.x, b.x) - 1e-9 <= p.x && p.x <= std::max(a.x, b.x) + 1e-9 &&
               std::min(a.y, b.y) - 1e-9 <= p.y && p.y <= std::max(a.y, b.y) + 1e-9;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const SitePoint& a = outline[i];
        const SitePoint& b = outline[(i + 1) % n];
        for (std::size_t j = i + 1; j < n; ++j) {
            const SitePoint& c = outline[j];
            const SitePoint& d = outline[(j + 1) % n];
            const bool neighbours = j == i + 1 || (i == 0 && j == n - 1);
            bool meet;
            if (neighbours) {
                // Neighbours share one corner; they meet elsewhere only when they fold back.
                const SitePoint& shared = j == i + 1 ? b : a;
                const SitePoint& p = j == i + 1 ? a : b;
                const SitePoint& q = j == i + 1 ? d : c;
                meet = (onSegment(p, shared, q) || onSegment(q, shared, p));
            } else {
                const double d1 = cross(a, b, c), d2 = cross(a, b, d);
                const double d3 = cross(c, d, a), d4 = cross(c, d, b);
                meet = ((d1 > 0) != (d2 > 0) && (d3 > 0) != (d4 > 0) && d1 != 0 && d2 != 0 &&
                        d3 != 0 && d4 != 0) ||
                       onSegment(c, a, b) || onSegment(d, a, b) || onSegment(a, c, d) ||
                       onSegment(b, c, d);
            }
            if (meet) {
                if (first != nullptr) *first = static_cast<int>(i);
                if (second != nullptr) *second = static_cast<int>(j);
                return true;
            }
        }
    }
    return false;
}

bool ReadSiteDescription(const std::string& path, SiteDescription* out, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    Json doc;
    try {
        doc = Json::parse(in);
    } catch (const Json::parse_error& e) {
        *error = path + " is not JSON: " + e.what();
        return false;
    }
    SiteDescription site;
    try {
        const Element top(doc, "");
        top.OnlyKeys({"terrain", "pads", "smooth", "buildings", "slab_openings"});
        ReadTerrain(Element(top.Get("terrain"), "terrain"), FolderOf(path), &site.terrain);
        site.smooth = top.Flag("smooth", false);
        if (top.Has("pads")) {
            const Json& list = top.List("pads");
            for (std::size_t i = 0; i < list.size(); ++i)
                site.pads.push_back(ReadPad(Element(list[i], Indexed("pads", i, list[i]))));
        }
        if (top.Has("buildings")) {
            const Json& list = top.List("buildings");
            for (std::size_t i = 0; i < list.size(); ++i) {
                site.buildings.push_back(
                    ReadBuilding(Element(list[i], Indexed("buildings", i, list[i]))));
                if (site.buildings.back().name.empty())
                    site.buildings.back().name = "building " + std::to_string(i + 1);
                for (std::size_t k = 0; k + 1 < site.buildings.size(); ++k) {
                    if (site.buildings[k].name == site.buildings.back().name)
                        Element(list[i], Indexed("buildings", i, list[i]))
                            .Fail("name", "is used by an earlier building too");
                }
            }
        }
        if (top.Has("slab_openings")) {
            const Json& list = top.List("slab_openings");
            for (std::size_t i = 0; i < list.size(); ++i) {
                const Element e(list[i], Indexed("slab_openings", i, list[i]));
                e.OnlyKeys({"building", "storey", "outline"});
                SiteSlabOpening s;
                s.building = e.Text("building", "");
                if (s.building.empty()) e.Fail("building", "missing");
                const auto b =
                    std::find_if(site.buildings.begin(), site.buildings.end(),
                                 [&](const SiteBuilding& x) { return x.name == s.building; });
                if (b == site.buildings.end())
                    e.Fail("building", "no building is called " + Quote(s.building));
                s.storey = e.Integer("storey", 0, static_cast<int>(b->storeys.size()) - 1, 0);
                s.outline = e.Outline("outline");
                for (const SitePoint& p : s.outline) {
                    if (!InsidePolygon(p, b->outline))
                        e.Fail("outline", "leaves the building " + Quote(s.building));
                }
                site.slabOpenings.push_back(s);
            }
        }
    } catch (const SiteError& e) {
        *error = path + ": " + e.what();
        return false;
    }
    *out = std::move(site);
    return true;
}

bool CheckPadsOnTerrain(const SiteDescription& site, const double box[4], std::string* error) {
    for (std::size_t i = 0; i < site.pads.size(); ++i) {
        const SitePad& pad = site.pads[i];
        double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
        for (const SitePoint& p : pad.outline) {
            lo[0] = std::min(lo[0], p.x);
            lo[1] = std::min(lo[1], p.y);
            hi[0] = std::max(hi[0], p.x);
            hi[1] = std::max(hi[1], p.y);
        }
        if (hi[0] < box[0] || lo[0] > box[2] || hi[1] < box[1] || lo[1] > box[3]) {
            if (error != nullptr)
                *error = "pads[" + std::to_string(i) + "]" +
                         (pad.name.empty() ? "" : " " + Quote(pad.name)) +
                         ": outline: lies wholly off the terrain";
            return false;
        }
    }
    return true;
}

}  // namespace pkcli
