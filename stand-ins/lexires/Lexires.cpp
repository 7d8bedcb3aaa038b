// The language-resource library a plug-in asks for its resource module: given the
// plug-in's module handle, it loads the plug-in's resource library from the same folder
// ("libModelbridge.so" -> "libModelbridgeRes.so") and hands back its handle. The caller
// owns that handle and closes it when done; this library may be unloaded right after.

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <string>

#define LEXIRES_API extern "C" __attribute__((visibility("default")))

namespace {

// "/dir/libName.so.1.2" -> "/dir/libNameRes.so"; empty when the path names no library.
std::string ResourcePathFor(const std::string& modulePath) {
    const std::size_t slash = modulePath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : modulePath.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    if (base.compare(0, 3, "lib") == 0) base = base.substr(3);
    const std::size_t so = base.find(".so");
    if (so != std::string::npos) base = base.substr(0, so);
    if (base.empty()) return {};
    return folder + "lib" + base + "Res.so";
}

}  // namespace

/// The resource module of the library whose handle is `module`, as a pointer-sized handle
/// the caller must close; 0 when there is none. `flags` is reserved and must be 0.
LEXIRES_API std::intptr_t LoadResExtDLL(void* module, int flags) {
    if (module == nullptr || flags != 0) return 0;
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
        return 0;
    const std::string path = ResourcePathFor(map->l_name);
    if (path.empty()) return 0;
    void* resources = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<std::intptr_t>(resources);
}
