// Fuzz target: any bytes read as a mesh file the way `polykern info` reads one must be
// read or refused with one line, without a crash, a leak, undefined behaviour or memory
// beyond a small multiple of the file's size. The first byte picks the format (its
// value modulo 4: OFF, PLY, OBJ, STL; the digits '0' to '3' in the seeds), the rest is
// the file.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kExtensions[] = {".off", ".ply", ".obj", ".stl"};
    static const std::string stem = "/tmp/polykern-read-fuzz-" + std::to_string(getpid());
    static FILE* const sink = std::fopen("/dev/null", "w");
    const std::string path = stem + kExtensions[data[0] % 4];
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    std::string error;
    std::unique_ptr<G3Surface> s(pkcli::ReadSurface(path, &error));
    std::remove(path.c_str());
    if (s == nullptr) {
        // A refusal is one line that names the file.
        if (error.empty() || error.find('\n') != std::string::npos ||
            error.find(path) == std::string::npos)
            std::abort();
        return 0;
    }
    const pkcli::SurfaceReport report = pkcli::MeasureSurface(s.get());
    if (report.facets <= 0 || report.facets != s->GetFacetCount()) std::abort();
    if (sink != nullptr) {
        pkcli::PrintReport(sink, report, path, false);
        pkcli::PrintReport(sink, report, path, true);
    }
    return 0;
}
