// The simplifier adapter the kernel loads on first use: reads a surface into a welded
// index buffer, simplifies it region by region with meshoptimizer, and builds the result
// back through the kernel's bulk build.

#include <cmath>
#include <memory>
#include <new>
#include <string>

#include "polykern/model/G3Surface.h"
#include "stand-ins/reducerlink/ReducerlinkMesh.h"

#define REDUCERLINK_API __attribute__((visibility("default")))

namespace {

using Commands = G3Surface::QSLIMCommandsBase;

void Say(Commands* commands, const std::string& text) {
    if (commands != nullptr) commands->Message(text.c_str());
}

// Null with the result code set and the reason told.
G3Surface* Refuse(G3Surface::QSLIM_RES* result,
                  G3Surface::QSLIM_RES code,
                  Commands* commands,
                  const char* why) {
    *result = code;
    Say(commands, why);
    return nullptr;
}

// The triangle count asked for, or 0 when the request is not one.
std::size_t TargetOf(std::size_t triangles,
                     int targetCount,
                     double ratio,
                     G3Surface::QSLIM_DESIREDTRISETTYPE desired) {
    if (desired == G3Surface::QSLIM_DESIRED_COUNT)
        return targetCount >= 1 ? static_cast<std::size_t>(targetCount) : 0;
    if (desired != G3Surface::QSLIM_DESIRED_RATIO || !std::isfinite(ratio) || ratio <= 0.0 ||
        ratio > 1.0)
        return 0;
    const double wanted = std::llround(ratio * static_cast<double>(triangles));
    return wanted < 1.0 ? 1 : static_cast<std::size_t>(wanted);
}

bool ValidTarget(int targetCount, double ratio, G3Surface::QSLIM_DESIREDTRISETTYPE desired) {
    return TargetOf(1, targetCount, ratio, desired) != 0;
}

G3Surface* Simplify(G3Surface* s,
                    G3Surface::QSLIM_TYPE type,
                    G3Surface::QSLIM_RES* result,
                    int targetCount,
                    double ratio,
                    G3Surface::QSLIM_DESIREDTRISETTYPE desired,
                    CHECK_LEVEL check,
                    Commands* commands) {
    if (!ValidTarget(targetCount, ratio, desired))
        return Refuse(result, G3Surface::QSLIM_RES_BAD_INPUT, commands,
                      "the target is no triangle count of at least 1 nor a ratio in (0, 1]");
    const double error = commands != nullptr ? commands->GetTargetError() : 1.0;
    if (!std::isfinite(error) || error < 0.0)
        return Refuse(result, G3Surface::QSLIM_RES_BAD_INPUT, commands,
                      "the target error is negative or not finite");

    // A surface of other facets is simplified as a triangulated copy, unless refused.
    std::unique_ptr<G3Surface> triangulated;
    G3Surface* work = s;
    reducerlink::TriangleMesh mesh;
    reducerlink::ReadStatus read = reducerlink::ReadTriangles(work, commands, mesh);
    if (read == reducerlink::ReadStatus::NotTriangles) {
        if ((type & G3Surface::QSLIM_TYPE_TRIANGLES_ONLY) != 0)
            return Refuse(result, G3Surface::QSLIM_RES_NOT_TRIANGLES, commands,
                          "the surface has facets other than triangles");
        triangulated.reset(s->Duplicate());
        triangulated->Triangulate(0x4, s->GetEdgeFlags());
        work = triangulated.get();
        mesh = reducerlink::TriangleMesh();
        read = reducerlink::ReadTriangles(work, commands, mesh);
        if (read == reducerlink::ReadStatus::NotTriangles)
            return Refuse(result, G3Surface::QSLIM_RES_NOT_TRIANGLES, commands,
                          "a facet could not be split into triangles");
    }
    if (read == reducerlink::ReadStatus::BadGeometry)
        return Refuse(result, G3Surface::QSLIM_RES_BAD_INPUT, commands,
                      "a vertex is not finite or out of step with its index");

    const std::size_t before = mesh.GetTriangleCount();
    const std::size_t target = TargetOf(before, targetCount, ratio, desired);
    if (before <= target) {
        *result = G3Surface::QSLIM_RES_NOTHING_TO_DO;
        Say(commands, std::to_string(before) + " triangles, already at the target of " +
                          std::to_string(target));
        return triangulated != nullptr ? triangulated.release() : s->Duplicate();
    }

    const reducerlink::SimplifyRequest request{target, static_cast<float>(error),
                                               (type & G3Surface::QSLIM_TYPE_LOCK_BORDER) != 0};
    reducerlink::TriangleMesh simplified;
    float reached = 0.0f;
    if (!reducerlink::SimplifyRegions(mesh, request, commands, simplified, &reached))
        return Refuse(result, G3Surface::QSLIM_RES_CANCELLED, commands, "cancelled");
    std::unique_ptr<G3Surface> out(reducerlink::BuildSurface(simplified, work->GetEdgeFlags()));
    if (check == CHECK_LEVEL_1001 || check == CHECK_LEVEL_1002 || check == CHECK_LEVEL_1003)
        out->Update(check);

    const std::size_t after = static_cast<std::size_t>(out->GetFacetCount());
    *result = after <= target ? G3Surface::QSLIM_RES_TARGET_REACHED
                              : G3Surface::QSLIM_RES_TARGET_NOT_REACHED;
    Say(commands, std::to_string(before) + " triangles in " + std::to_string(mesh.source.size()) +
                      " regions down to " + std::to_string(after) + " (target " +
                      std::to_string(target) + ", error " + std::to_string(reached) + ")");
    return out.release();
}

}  // namespace

/// Simplifies s to a new surface (caller owns it) and sets *result; null, with *result
/// saying why, for a null s, a bad target, broken geometry, facets that cannot be
/// triangulated, a failed allocation or a cancelled run. s itself is never changed.
extern "C" REDUCERLINK_API G3Surface* QSlimSimplifierAdapter(
    G3Surface* s,
    G3Surface::QSLIM_TYPE type,
    G3Surface::QSLIM_RES* result,
    int targetCount,
    double ratio,
    G3Surface::QSLIM_DESIREDTRISETTYPE desired,
    CHECK_LEVEL check,
    G3Surface::QSLIMCommandsBase* commands) {
    G3Surface::QSLIM_RES ignored = G3Surface::QSLIM_RES_NONE;
    if (result == nullptr) result = &ignored;
    if (s == nullptr) return Refuse(result, G3Surface::QSLIM_RES_BAD_INPUT, commands, "no surface");
    try {
        return Simplify(s, type, result, targetCount, ratio, desired, check, commands);
    } catch (const std::bad_alloc&) {
        return Refuse(result, G3Surface::QSLIM_RES_OUT_OF_MEMORY, commands, "out of memory");
    } catch (const char*) {
        // The outside-data containers throw their failures as text.
        return Refuse(result, G3Surface::QSLIM_RES_OUT_OF_MEMORY, commands, "out of memory");
    }
}
