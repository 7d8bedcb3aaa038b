#pragma once

// The built-in scene of `polykern demo`, made through the kernel's public interface only.

class G3Surface;

namespace pkcli {

/// A small building: a floor slab with a stair opening and walls with a door and windows,
/// each piece entered as raw facets (unwelded corners, some faces reversed), then cleaned
/// and oriented and gathered into one surface of closed parts. The caller owns it.
G3Surface* BuildDemoScene();

}  // namespace pkcli
