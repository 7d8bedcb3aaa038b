// Uses each library through its umbrella header only, as a host would.
#include <cstdio>
#include <cstring>

#include "modelbridge/Modelbridge.h"
#include "polykern/Polykern.h"
#include "sheetlink/Sheetlink.h"

namespace {

// The cube [lo, hi]³ as six outward planes.
Sheetlink_Body* Box(double lo, double hi) {
    const double c[6][4][3] = {{{lo, lo, lo}, {lo, hi, lo}, {hi, hi, lo}, {hi, lo, lo}},
                               {{lo, lo, hi}, {hi, lo, hi}, {hi, hi, hi}, {lo, hi, hi}},
                               {{lo, lo, lo}, {hi, lo, lo}, {hi, lo, hi}, {lo, lo, hi}},
                               {{lo, hi, lo}, {lo, hi, hi}, {hi, hi, hi}, {hi, hi, lo}},
                               {{lo, lo, lo}, {lo, lo, hi}, {lo, hi, hi}, {lo, hi, lo}},
                               {{hi, lo, lo}, {hi, hi, lo}, {hi, hi, hi}, {hi, lo, hi}}};
    auto* body = new Sheetlink_Body(6);
    for (int i = 0; i < 6; ++i) {
        FPOINT ring[5];
        for (int k = 0; k < 5; ++k)
            ring[k] = FPOINT{c[i][k % 4][0], c[i][k % 4][1], c[i][k % 4][2], 0, 0, 0};
        body->SetPointsForIndexedPlane(i, 5, ring);
    }
    return body;
}

}  // namespace

int main() {
    GArrayCollection* list = new GArrayCollection();
    GObj a;
    GObj b;
    list->add(&a);
    list->add(&b);
    const bool listOk = list->size() == 2 && list->index(&b) == 1;
    delete list;

    GHeap pool("ConsumerPool", 40, 4096);
    void* slot = pool.Alloc();
    const bool poolOk = slot != nullptr && pool.GetFreeBlockCount() == 1;
    pool.Free(slot);

    const bool versionsOk = std::strcmp(Sheetlink_Version(), Modelbridge_Version()) == 0;

    // The install puts the simplifier adapter beside the kernel, where the kernel finds it.
    G3Surface grid;
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i) grid.AddVertex(i, j, 0, 0);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const int a = 5 * j + i;
            const int t1[3] = {a, a + 1, a + 6}, t2[3] = {a, a + 6, a + 5};
            grid.AddFacet(3, t1, 1, nullptr, nullptr);
            grid.AddFacet(3, t2, 1, nullptr, nullptr);
        }
    }
    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    G3Surface* small = G3Surface::QSlimSimplifier(&grid, CHECK_LEVEL_NONE, 16,
                                                  G3Surface::QSLIM_TYPE_LOCK_BORDER, res, nullptr);
    const bool simplifyOk = small != nullptr && small->GetFacetCount() <= 16;
    delete small;

    // The installed plug-in, loaded by file name as a host does, runs one union.
    bool pluginOk = false;
    GDynamicClass* plugin = nullptr;
    if (GDynamicClass::Load(&plugin, "libModelbridge.so") == 1) {
        auto* modeler = dynamic_cast<G3AbstractModeler*>(plugin);
        Sheetlink_Body* a = Box(0, 2);
        Sheetlink_Body* b = Box(1, 3);
        Sheetlink_Body* sum =
            modeler != nullptr ? modeler->BooleanAdd(a, nullptr, b, nullptr, nullptr) : nullptr;
        pluginOk =
            sum != nullptr && sum->GetNumPlanes() >= 6 && modeler->IsClosedWireBody(sum) == 1;
        if (modeler != nullptr) modeler->DeleteBody(sum);
        delete a;
        delete b;
        GDynamicClass::Unload(&plugin);
    }

    if (!listOk || !poolOk || !versionsOk || !simplifyOk || !pluginOk) {
        std::fprintf(stderr, "consumer: list %d pool %d versions %d simplify %d plugin %d\n",
                     listOk, poolOk, versionsOk, simplifyOk, pluginOk);
        return 1;
    }
    std::printf("consumer: ok\n");
    return 0;
}
