// What the plug-in does when it is loaded and unloaded, its factory and its texts.
//
// Loading makes the one facet provider and asks the language-resource library (found
// beside the plug-in) for a resource module; the resource library itself is let go right
// after. Unloading destroys the provider, which takes it off the kernel's provider list,
// and lets go of the resource module, so that nothing of either library stays mapped.

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <new>
#include <string>

#include "modelbridge/G3MatsFacetProvider.h"
#include "modelbridge/G3SurfaceModeler.h"
#include "modelbridge/ModelbridgeExport.h"
#include "modelbridge/ModelbridgeTexts.h"
#include "polykern/foundation/GPlatform.h"

namespace {

const char* const kBuiltInTexts[MODELBRIDGE_TEXT_COUNT] = {
    "Surface modeler",
    "Modeler: a body is missing or does not make a surface",
    "Modeler: the Boolean operation left nothing",
    "Modeler: the plane or sheet does not divide the body",
    "Modeler: the slice plane has no usable normal",
    "Modeler: the blend does not fit the body",
};

using LoadResExt = std::intptr_t (*)(void* module, int flags);

// This library's own module handle (its link map), taken without adding a reference.
void* OwnModule() {
    Dl_info info{};
    void* map = nullptr;
    if (dladdr1(reinterpret_cast<const void*>(&OwnModule), &info, &map, RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return map;
}

class ModuleState {
public:
    ModuleState() {
        try {
            m_Provider = new G3MatsFacetProvider();
        } catch (const std::bad_alloc&) {
            m_Provider = nullptr;
        }
        LoadResources();
    }
    ~ModuleState() {
        delete m_Provider;
        if (m_Resources != nullptr && m_Resources != m_Own) GPlatform::CloseLibrary(m_Resources);
    }
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;

    const char* Text(int id) const {
        if (id < 0 || id >= MODELBRIDGE_TEXT_COUNT) return "";
        if (m_Table != nullptr && id < m_Table->count && m_Table->texts != nullptr &&
            m_Table->texts[id] != nullptr)
            return m_Table->texts[id];
        return kBuiltInTexts[id];
    }
    const char* Language() const {
        return m_Table != nullptr && m_Table->language != nullptr ? m_Table->language : "built-in";
    }

private:
    void LoadResources() {
        m_Own = OwnModule();
        m_Resources = m_Own;
        const std::string self = GPlatform::ModulePathOf(reinterpret_cast<const void*>(&OwnModule));
        if (self.empty()) return;
        const std::string lexires =
            GPlatform::SiblingPath(self, GPlatform::LibraryFileName("Lexires.dll").c_str());
        void* library = GPlatform::OpenLibrary(lexires.c_str());
        if (library == nullptr) return;
        auto load = reinterpret_cast<LoadResExt>(GPlatform::FindSymbol(library, "LoadResExtDLL"));
        const std::intptr_t module = load != nullptr ? load(m_Own, 0) : 0;
        GPlatform::CloseLibrary(library);
        if (module == 0) return;
        m_Resources = reinterpret_cast<void*>(module);
        m_Table = static_cast<const ModelbridgeResTable*>(
            GPlatform::FindSymbol(m_Resources, "ModelbridgeRes_Messages"));
    }

    G3MatsFacetProvider* m_Provider = nullptr;
    void* m_Own = nullptr;
    void* m_Resources = nullptr;
    const ModelbridgeResTable* m_Table = nullptr;
};

ModuleState g_Module;

}  // namespace

GDynamicClass* NewInstance() {
    try {
        return new G3SurfaceModeler();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* Modelbridge_Text(int id) {
    return g_Module.Text(id);
}

const char* Modelbridge_TextLanguage() {
    return g_Module.Language();
}
