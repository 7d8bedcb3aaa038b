#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class G3Surface;
struct GLUtesselator;

namespace pkcli {

/// The direction the camera looks from: Iso from front-right-above with z up, Top down the
/// z axis (x right, y up), Front along +y (x right, z up). Always a parallel projection.
enum class RenderView { Iso, Top, Front };

struct RenderOptions {
    RenderView view = RenderView::Iso;
    int width = 800;
    int height = 600;
};

/// Draws `s` shaded, with its visible edges, into an RGBA image and writes it to `path` as an
/// 8-bit RGB PNG (through a temporary name in the same folder, renamed on success, so a failure
/// never leaves a partial file). False with *error set to one line (no trailing newline) on
/// failure: size out of range (1..8192 each side), OSMesa context failure, write failure. A null or
/// empty surface gives an image of the background only.
bool RenderSurfacePng(G3Surface* s,
                      const std::string& path,
                      const RenderOptions& options,
                      std::string* error);

/// One body of a shaded picture. `colour`, when set, gives each facet's fill (RGBA, by facet
/// index); without it every facet takes the default blue-grey. With `markOpenEdges`, edges
/// with a facet on one side only show in red (holes in a body meant to be closed).
struct ShadedBody {
    const G3Surface* surface = nullptr;
    std::function<void(int facet, float rgba[4])> colour;
    bool markOpenEdges = true;
};

/// Draws the bodies into the bound GL context as RenderSurfacePng draws one: the background,
/// then every body lit by a fixed light with its visible edges over the fill, all fitted
/// together into the view and drawn relative to the centre of their common box. Facets with
/// an alpha below 1 are blended over the opaque ones. Null surfaces and non-finite corners
/// are left out. For the `draw` of RenderOffscreenPng.
void DrawShadedBodies(const std::vector<ShadedBody>& bodies, const RenderOptions& options);

/// Binds an off-screen RGBA GL context of width × height (depth buffer included), runs
/// `draw` in it and writes the picture as `RenderSurfacePng` does, with the same failures;
/// `draw` sets up its own projection. The context lives only during the call.
bool RenderOffscreenPng(int width,
                        int height,
                        const std::function<void()>& draw,
                        const std::string& path,
                        std::string* error);

/// What a GL fill through GLU's tessellator keeps while it runs: the points GLU makes
/// where outlines cross (a deque keeps their addresses), and whether GLU left a primitive
/// open when it gave up.
struct TessFill {
    std::deque<std::array<double, 3>> points;
    bool inPrimitive = false;
};

/// Gives `tess` the callbacks that draw its fill straight to GL with a `TessFill` as the
/// polygon data, and the odd winding rule.
void SetFillCallbacks(GLUtesselator* tess);

/// Ends a primitive GLU left open when it gave up on a polygon.
void FinishFill(TessFill* fill);

}  // namespace pkcli
