#include "modelbridge/G3MatsFacetProvider.h"

#include <new>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Surface.h"

namespace {

G3MatsFacetProvider* g_Provider = nullptr;

bool IsFacet(G3Obj* object) {
    return object != nullptr && object->GetObjectType() == 4;
}

}  // namespace

MatsFacetDataStruct::~MatsFacetDataStruct() = default;

void MatsFacetDataStruct::Init() {
    material = 0;
    color = 0;
    layer = 0;
}

G3MatsFacetProvider::G3MatsFacetProvider() {
    if (g_Provider == nullptr) g_Provider = this;
}

G3MatsFacetProvider::~G3MatsFacetProvider() {
    // Off the kernel's list, every copy of it: the kernel must never call back into a
    // provider whose code may be unmapped next.
    GArrayCollection* list = G3Obj::GetProviderList();
    for (int32_t i = G3Obj::GetProviderId(this); i >= 0; i = G3Obj::GetProviderId(this))
        list->remove(i);
    if (g_Provider == this) g_Provider = nullptr;
}

G3MatsFacetProvider* G3MatsFacetProvider::GetProviderAddr() {
    return g_Provider;
}

void G3MatsFacetProvider::Register() {
    if (g_Provider != nullptr && G3Obj::GetProviderId(g_Provider) == -1)
        G3Obj::AddProvider(g_Provider);
}

bool G3MatsFacetProvider::IsRegistered() {
    return g_Provider != nullptr && G3Obj::GetProviderId(g_Provider) >= 0;
}

int G3MatsFacetProvider::SetMaterialGlobal(unsigned short material) {
    if (g_Provider == nullptr) return 0;
    Register();
    g_Provider->SetMaterial(material);
    g_Provider->SetDirty(0);
    return 1;
}

template <class Set>
bool G3MatsFacetProvider::WriteInto(G3Obj* object, Set set) {
    if (object == nullptr || g_Provider == nullptr) return false;
    Register();
    g_Provider->SetDirty(0);
    set(g_Provider);
    g_Provider->OpenExData(object);
    g_Provider->SetDirty(1);
    return true;
}

int G3MatsFacetProvider::G3FacetSetMaterial(G3Facet* facet, unsigned short material) {
    return WriteInto(facet, [material](G3MatsFacetProvider* p) { p->SetMaterial(material); }) ? 1
                                                                                              : 0;
}

int G3MatsFacetProvider::FacetSetLayer(G3Facet* facet, unsigned short layer) {
    return WriteInto(facet, [layer](G3MatsFacetProvider* p) { p->SetLayer(layer); }) ? 1 : 0;
}

int G3MatsFacetProvider::SetColor(G3Obj* object, unsigned long color) {
    WriteInto(object, [color](G3MatsFacetProvider* p) { p->SetColor(color); });
    return 0;
}

MatsFacetDataStruct* G3MatsFacetProvider::RecordOf(G3Obj* object) {
    if (object == nullptr || g_Provider == nullptr) return nullptr;
    return static_cast<MatsFacetDataStruct*>(object->GetOutExData(g_Provider));
}

unsigned short G3MatsFacetProvider::G3FacetGetMaterial(G3Facet* facet) {
    const MatsFacetDataStruct* record = RecordOf(facet);
    return record != nullptr ? record->material : 0;
}

unsigned short G3MatsFacetProvider::FacetGetLayer(G3Facet* facet) {
    const MatsFacetDataStruct* record = RecordOf(facet);
    return record != nullptr ? record->layer : 0;
}

unsigned long G3MatsFacetProvider::GetColor(G3Obj* object) {
    const MatsFacetDataStruct* record = RecordOf(object);
    return record != nullptr ? record->color : 0;
}

int G3MatsFacetProvider::SetDirty(int dirty) {
    const int previous = m_Dirty;
    m_Dirty = dirty;
    return previous;
}

MatsFacetDataStruct* G3MatsFacetProvider::NewExData() {
    return new (std::nothrow) MatsFacetDataStruct();
}

void G3MatsFacetProvider::RemoveExData(void* data) {
    delete static_cast<MatsFacetDataStruct*>(data);
}

void G3MatsFacetProvider::OpenExData(void* object) {
    if (m_Dirty != 0) return;
    auto* entity = static_cast<G3Obj*>(object);
    if (!IsFacet(entity)) return;
    G3Surface* parent = static_cast<G3Facet*>(entity)->GetParent();
    if (parent == nullptr) return;
    auto* record = static_cast<MatsFacetDataStruct*>(entity->GetOutExData(this));
    if (record != nullptr) {
        *record = m_Current;
        return;
    }
    record = NewExData();
    if (record == nullptr) return;
    *record = m_Current;
    entity->SetOutExData(this, record);
    parent->IncMaterialFacetsCount();
}

void G3MatsFacetProvider::SetExData(void* object) {
    auto* entity = static_cast<G3Obj*>(object);
    if (entity == nullptr) {
        m_Current.Init();
        m_Dirty = 1;
        return;
    }
    if (!IsFacet(entity)) return;
    const auto* record = static_cast<MatsFacetDataStruct*>(entity->GetOutExData(this));
    if (record != nullptr)
        m_Current = *record;
    else
        m_Current.Init();
    m_Dirty = 0;
}

void G3MatsFacetProvider::TransformExData(G3Obj* /*object*/, const double /*m*/[4][4]) {}

void G3MatsFacetProvider::CopyExData(G3Obj* to, G3Obj* from) {
    if (!IsFacet(to) || !IsFacet(from) || to == from) return;
    auto* target = static_cast<MatsFacetDataStruct*>(to->GetOutExData(this));
    const auto* source = static_cast<MatsFacetDataStruct*>(from->GetOutExData(this));
    if (target == nullptr || source == nullptr) return;
    *target = *source;
}

void G3MatsFacetProvider::NotifyExData1(void* /*object*/) {}
void G3MatsFacetProvider::NotifyExData2(void* /*object*/) {}
void G3MatsFacetProvider::NotifyExData3(void* /*object*/) {}
void G3MatsFacetProvider::NotifyExData4(void* /*object*/, void* /*other*/) {}
void G3MatsFacetProvider::NotifyExData5(void* /*object*/, void* /*other*/) {}
