// Uses each library through its umbrella header only, as a host would.
#include <cstdio>
#include <cstring>

#include "modelbridge/Modelbridge.h"
#include "polykern/Polykern.h"
#include "sheetlink/Sheetlink.h"

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

    if (!listOk || !poolOk || !versionsOk || !simplifyOk) {
        std::fprintf(stderr, "consumer: list %d pool %d versions %d simplify %d\n", listOk, poolOk,
                     versionsOk, simplifyOk);
        return 1;
    }
    std::printf("consumer: ok\n");
    return 0;
}
