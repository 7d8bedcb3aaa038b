#include "polykern/foundation/GPlatform.h"

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>

namespace {

// The folder this library was loaded from, with a trailing slash.
std::string KernelFolder() {
    const std::string path = GPlatform::ModulePathOf(reinterpret_cast<const void*>(&KernelFolder));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// dlopen, looking for a bare name beside the kernel too. The kernel's RUNPATH says
// the same, but the loader ignores it when a sanitizer runtime intercepts dlopen.
void* Open(const char* name, int flags) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    void* handle = dlopen(name, flags);
    if (handle != nullptr || std::strchr(name, '/') != nullptr) return handle;
    const std::string folder = KernelFolder();
    if (folder.empty()) return nullptr;
    return dlopen((folder + name).c_str(), flags);
}

}  // namespace

void* GPlatform::OpenLibrary(const char* name) {
    return Open(name, RTLD_NOW | RTLD_LOCAL);
}

void* GPlatform::FindSymbol(void* library, const char* symbol) {
    if (library == nullptr || symbol == nullptr) return nullptr;
    return dlsym(library, symbol);
}

void GPlatform::CloseLibrary(void* library) {
    if (library != nullptr) dlclose(library);
}

void* GPlatform::FindLoadedLibrary(const char* name) {
    void* handle = Open(name, RTLD_NOW | RTLD_NOLOAD);
    // The probe added a reference of its own; the library stays loaded by its owner.
    if (handle != nullptr) dlclose(handle);
    return handle;
}

std::string GPlatform::ModulePathOf(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

bool GPlatform::FileExists(const char* path) {
    return path != nullptr && path[0] != '\0' && access(path, F_OK) == 0;
}

std::string GPlatform::LibraryFileName(const char* name) {
    if (name == nullptr) return {};
    std::string file(name);
    if (file.find('/') != std::string::npos) return file;
    const std::size_t n = file.size();
    if (n > 4 && strcasecmp(file.c_str() + n - 4, ".dll") == 0) {
        return "lib" + file.substr(0, n - 4) + ".so";
    }
    return file;
}

std::string GPlatform::LastError() {
    const char* message = dlerror();
    return message != nullptr ? message : "";
}
