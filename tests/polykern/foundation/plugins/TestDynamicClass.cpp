// A small library the dynamic-class tests load by file name. Built several times: with the
// factory or without, with a factory that fails, and with an object that keeps its
// library loaded.

#include "polykern/foundation/GDynamicClass.h"

#define PK_TEST_PLUGIN_API extern "C" __attribute__((visibility("default")))

namespace {

int g_Destroyed = 0;

class TestDynamicClass : public GDynamicClass {
public:
    ~TestDynamicClass() override { ++g_Destroyed; }
    const char* ___GetClassName() override { return "TestDynamicClass"; }
    int GetType() override { return 7; }
    const char* GetName() override { return "test class"; }
#ifdef PK_TEST_PINNED
    int MayBeUnload() override {
        return 0;
    }
#endif
};

}  // namespace

PK_TEST_PLUGIN_API int TestDynamicClass_Destroyed() {
    return g_Destroyed;
}

#ifndef PK_TEST_NO_FACTORY
PK_TEST_PLUGIN_API GDynamicClass* NewInstance() {
#ifdef PK_TEST_NULL_FACTORY
    return nullptr;
#else
    return new TestDynamicClass();
#endif
}
#endif
