// The surface simplifier's entry: the kernel binds the adapter library on first use and
// hands every call to its one exported function. The simplification itself lives there.

#include <mutex>
#include <string>

#include "polykern/foundation/GPlatform.h"
#include "polykern/model/G3Surface.h"

namespace {

using AdapterFunction = G3Surface* (*)(G3Surface*,
                                       G3Surface::QSLIM_TYPE,
                                       G3Surface::QSLIM_RES*,
                                       int,
                                       double,
                                       G3Surface::QSLIM_DESIREDTRISETTYPE,
                                       CHECK_LEVEL,
                                       G3Surface::QSLIMCommandsBase*);

constexpr const char* kAdapterLibrary = "Reducerlink.dll";
constexpr const char* kSiblingLibrary = "Corva16.dll";
constexpr const char* kAdapterExport = "QSlimSimplifierAdapter";

// The process-wide binding: one handle of the adapter library and its function, guarded by
// one lock. Destroyed when the kernel unloads: the pointer is cleared before the library
// is released, so nothing can call into an unloaded adapter.
struct AdapterBinding {
    std::mutex lock;
    void* library = nullptr;
    AdapterFunction function = nullptr;

    AdapterBinding() = default;
    AdapterBinding(const AdapterBinding&) = delete;
    AdapterBinding& operator=(const AdapterBinding&) = delete;
    ~AdapterBinding() {
        function = nullptr;
        void* held = library;
        library = nullptr;
        GPlatform::CloseLibrary(held);
    }
};

AdapterBinding g_Binding;

// Where the adapter is: a copy already loaded in the process (loaded again by its path, so
// the binding holds a reference of its own), else the folder of the loaded sibling library,
// else the kernel's own folder, where the build and the install put it.
void* OpenAdapter() {
    const std::string file = GPlatform::LibraryFileName(kAdapterLibrary);
    const std::string loaded = GPlatform::LoadedLibraryPath(file.c_str());
    if (!loaded.empty()) {
        if (void* library = GPlatform::OpenLibrary(loaded.c_str())) return library;
    }
    const std::string sibling =
        GPlatform::LoadedLibraryPath(GPlatform::LibraryFileName(kSiblingLibrary).c_str());
    if (!sibling.empty()) {
        const std::string path = GPlatform::SiblingPath(sibling, file.c_str());
        if (void* library = GPlatform::OpenLibrary(path.c_str())) return library;
    }
    const std::string kernel = GPlatform::ModulePathOf(reinterpret_cast<const void*>(&OpenAdapter));
    if (kernel.empty()) return nullptr;
    return GPlatform::OpenLibrary(GPlatform::SiblingPath(kernel, file.c_str()).c_str());
}

// The cached function, binding it first when needed; null when the adapter or its export
// is missing (tried again on the next call).
AdapterFunction BoundAdapter() {
    std::lock_guard<std::mutex> guard(g_Binding.lock);
    if (g_Binding.function != nullptr) return g_Binding.function;
    void* library = OpenAdapter();
    if (library == nullptr) return nullptr;
    void* symbol = GPlatform::FindSymbol(library, kAdapterExport);
    if (symbol == nullptr) {
        GPlatform::CloseLibrary(library);
        return nullptr;
    }
    g_Binding.library = library;
    g_Binding.function = reinterpret_cast<AdapterFunction>(symbol);
    return g_Binding.function;
}

}  // namespace

G3Surface::QSLIMCommandsBase::~QSLIMCommandsBase() = default;

bool G3Surface::QSLIMCommandsBase::Progress(int /*done*/, int /*total*/) {
    return true;
}

void G3Surface::QSLIMCommandsBase::Message(const char* /*text*/) {}

double G3Surface::QSLIMCommandsBase::GetTargetError() {
    return 1.0;
}

int G3Surface::QSLIMCommandsBase::GetRegion(G3Facet* /*f*/) {
    return -1;
}

G3Surface* G3Surface::QSlimSimplifier(G3Surface* s,
                                      CHECK_LEVEL check,
                                      int targetCount,
                                      QSLIM_TYPE type,
                                      QSLIM_RES& result,
                                      QSLIMCommandsBase* commands) {
    return QSlimSimplifierInternal(s, type, result, targetCount, 0.0, QSLIM_DESIRED_COUNT, check,
                                   commands);
}

G3Surface* G3Surface::QSlimSimplifier(G3Surface* s,
                                      CHECK_LEVEL check,
                                      double ratio,
                                      QSLIM_TYPE type,
                                      QSLIM_RES& result,
                                      QSLIMCommandsBase* commands) {
    return QSlimSimplifierInternal(s, type, result, -1, ratio, QSLIM_DESIRED_RATIO, check,
                                   commands);
}

// The kernel passes every argument through as it came; only the adapter reads them and
// writes result.
G3Surface* G3Surface::QSlimSimplifierInternal(G3Surface* s,
                                              QSLIM_TYPE type,
                                              QSLIM_RES& result,
                                              int targetCount,
                                              double ratio,
                                              QSLIM_DESIREDTRISETTYPE desired,
                                              CHECK_LEVEL check,
                                              QSLIMCommandsBase* commands) {
    G3Surface* simplified = nullptr;
    if (s == nullptr) return simplified;
    const AdapterFunction adapter = BoundAdapter();
    if (adapter == nullptr) return simplified;
    simplified = adapter(s, type, &result, targetCount, ratio, desired, check, commands);
    return simplified;
}
