// Runs one simplification in a process of its own and says what happened, for the tests
// of how the kernel finds the adapter. Built without a library path: the test decides
// which copy of the kernel it loads. Usage: polykern_simplify_probe [PRELOAD...]; each
// PRELOAD library is opened first, as a host would have loaded it.

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "polykern/foundation/GPlatform.h"
#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceShapes.h"

namespace {

// Prints every loaded copy of the adapter.
int PrintAdapter(dl_phdr_info* info, std::size_t /*size*/, void* count) {
    const char* slash = std::strrchr(info->dlpi_name, '/');
    if (slash == nullptr || std::strcmp(slash + 1, "libReducerlink.so") != 0) return 0;
    std::printf("adapter %s\n", info->dlpi_name);
    ++*static_cast<int*>(count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<void*> preloaded;
    for (int i = 1; i < argc; ++i) {
        void* library = dlopen(argv[i], RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::printf("cannot preload %s\n", argv[i]);
            return 2;
        }
        preloaded.push_back(library);
    }
    std::printf(
        "kernel %s\n",
        GPlatform::ModulePathOf(reinterpret_cast<const void*>(&GPlatform::OpenLibrary)).c_str());
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(32, 16));
    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_CANCELLED;
    std::unique_ptr<G3Surface> out(G3Surface::QSlimSimplifier(
        sphere.get(), CHECK_LEVEL_NONE, 100, G3Surface::QSLIM_TYPE_DEFAULT, res, nullptr));
    if (out == nullptr) {
        std::printf("null, result %d\n", static_cast<int>(res));
    } else {
        std::printf("surface of %d facets, result %d\n", out->GetFacetCount(),
                    static_cast<int>(res));
    }
    int adapters = 0;
    dl_iterate_phdr(&PrintAdapter, &adapters);
    if (adapters == 0) std::printf("adapter none\n");
    for (void* library : preloaded) dlclose(library);
    return 0;
}
