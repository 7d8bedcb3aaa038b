// Fuzz target: any bytes handed to the surface loader must be read or refused without
// a crash, a leak or undefined behaviour, and a surface that loads must be sound.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/polykern-load-fuzz-" + std::to_string(getpid()) + ".dump";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    G3Surface s;
    if (s.LoadChecked(path.c_str())) {
        // What loaded must stand the usual walks.
        s.FormPlaneEquation();
        s.GetClosed();
        s.RemoveUnused();
    }
    return 0;
}
