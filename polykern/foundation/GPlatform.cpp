#include "polykern/foundation/GPlatform.h"

#include <dlfcn.h>
#include <link.h>
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

namespace {

struct ModuleSearch {
    const char* fileName;
    std::size_t length;
    std::string path;
};

int MatchModule(dl_phdr_info* info, std::size_t /*size*/, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
    const char* slash = std::strrchr(info->dlpi_name, '/');
    const char* base = slash != nullptr ? slash + 1 : info->dlpi_name;
    if (std::strncmp(base, search->fileName, search->length) != 0) return 0;
    if (base[search->length] != '\0' && base[search->length] != '.') return 0;
    search->path = info->dlpi_name;
    return 1;
}

}  // namespace

std::string GPlatform::LoadedLibraryPath(const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') return {};
    ModuleSearch search{fileName, std::strlen(fileName), {}};
    dl_iterate_phdr(&MatchModule, &search);
    return search.path;
}

std::string GPlatform::SiblingPath(const std::string& path, const char* fileName) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + (fileName != nullptr ? fileName : "");
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
