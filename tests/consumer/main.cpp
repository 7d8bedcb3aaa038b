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
    if (!listOk || !poolOk || !versionsOk) {
        std::fprintf(stderr, "consumer: list %d pool %d versions %d\n", listOk, poolOk, versionsOk);
        return 1;
    }
    std::printf("consumer: ok\n");
    return 0;
}
