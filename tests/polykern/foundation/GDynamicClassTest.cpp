#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "polykern/foundation/GDummyDynamicClass.h"
#include "polykern/foundation/GDynamicClass.h"

namespace {

// Whether the library at `path` is mapped, without loading it.
bool IsMapped(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

int DestroyedCount(GDynamicClass* object) {
    using Counter = int (*)();
    auto counter =
        reinterpret_cast<Counter>(dlsym(object->GetLibrary(), "TestDynamicClass_Destroyed"));
    return counter != nullptr ? counter() : -1;
}

TEST(GDynamicClass, LoadCallsTheFactoryAndUnloadUnmapsTheLibrary) {
    ASSERT_FALSE(IsMapped(PK_TEST_CLASS_PLUGIN));
    GDynamicClass* object = nullptr;
    ASSERT_EQ(GDynamicClass::Load(&object, PK_TEST_CLASS_PLUGIN), 1);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->IsLoaded());
    EXPECT_STREQ(object->GetDllName(), PK_TEST_CLASS_PLUGIN);
    EXPECT_STREQ(object->___GetClassName(), "TestDynamicClass");
    EXPECT_EQ(object->GetType(), 7);
    EXPECT_STREQ(object->GetName(), "test class");
    EXPECT_EQ(DestroyedCount(object), 0);
    EXPECT_TRUE(IsMapped(PK_TEST_CLASS_PLUGIN));

    GDynamicClass::Unload(&object);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsMapped(PK_TEST_CLASS_PLUGIN));
}

TEST(GDynamicClass, AnObjectThatKeepsItsLibraryLeavesItMapped) {
    GDynamicClass* object = nullptr;
    ASSERT_EQ(GDynamicClass::Load(&object, PK_TEST_PINNED_PLUGIN), 1);
    void* library = object->GetLibrary();
    GDynamicClass::Unload(&object);
    EXPECT_EQ(object, nullptr);
    ASSERT_TRUE(IsMapped(PK_TEST_PINNED_PLUGIN));
    // The object's destructor ran, in the library that is still there.
    using Counter = int (*)();
    auto counter = reinterpret_cast<Counter>(dlsym(library, "TestDynamicClass_Destroyed"));
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter(), 1);
    dlclose(library);
}

TEST(GDynamicClass, EveryLoadFailureAnswersZeroAndLeavesNothingLoaded) {
    GDynamicClass* sentinel = reinterpret_cast<GDynamicClass*>(&sentinel);
    GDynamicClass* object = sentinel;
    EXPECT_EQ(GDynamicClass::Load(&object, PK_TEST_NO_FACTORY_PLUGIN), 0);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsMapped(PK_TEST_NO_FACTORY_PLUGIN));

    object = sentinel;
    EXPECT_EQ(GDynamicClass::Load(&object, PK_TEST_NULL_FACTORY_PLUGIN), 0);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsMapped(PK_TEST_NULL_FACTORY_PLUGIN));

    object = sentinel;
    EXPECT_EQ(GDynamicClass::Load(&object, "libNoSuchPluginHere.so"), 0);
    EXPECT_EQ(object, nullptr);

    // A file that exists but is no library.
    const std::string text = testing::TempDir() + "not-a-library.so";
    std::FILE* f = std::fopen(text.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("plain text, not an object file\n", f);
    std::fclose(f);
    object = sentinel;
    EXPECT_EQ(GDynamicClass::Load(&object, text.c_str()), 0);
    EXPECT_EQ(object, nullptr);
    std::remove(text.c_str());

    // Null and empty names would name the host program itself.
    object = sentinel;
    EXPECT_EQ(GDynamicClass::Load(&object, nullptr), 0);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(GDynamicClass::Load(&object, ""), 0);
    EXPECT_EQ(GDynamicClass::Load(nullptr, PK_TEST_CLASS_PLUGIN), 0);
    EXPECT_FALSE(IsMapped(PK_TEST_CLASS_PLUGIN));
}

TEST(GDynamicClass, UnloadOfNullDoesNothing) {
    GDynamicClass* object = nullptr;
    GDynamicClass::Unload(&object);
    GDynamicClass::Unload(nullptr);
    EXPECT_EQ(object, nullptr);
}

TEST(GDynamicClass, ReferenceCountGoesBelowZeroWithoutDeleting) {
    GDynamicClass object;
    EXPECT_EQ(object.RefCount(), 0);
    EXPECT_EQ(object.Release(), -1);
    EXPECT_EQ(object.AddRef(), 0);
    EXPECT_EQ(object.AddRef(), 1);
    EXPECT_STREQ(object.___GetClassName(), "GDynamicClass");
    EXPECT_EQ(object.GetType(), 0);
    EXPECT_STREQ(object.GetName(), "");
    EXPECT_EQ(object.MayBeUnload(), 1);
    EXPECT_FALSE(object.IsLoaded());
    EXPECT_EQ(object.GetDllName(), nullptr);
}

TEST(GDynamicClass, TestExistsSeesFilesOnly) {
    EXPECT_EQ(GDynamicClass::TestExists(PK_TEST_CLASS_PLUGIN), 1);
    EXPECT_EQ(GDynamicClass::TestExists("/no/such/file/anywhere"), 0);
    EXPECT_EQ(GDynamicClass::TestExists(nullptr), 0);
}

TEST(GDummyDynamicClass, OwnsCopiesOfBothStrings) {
    char name[] = "dummy";
    char dll[] = "libDummy.so";
    auto* dummy = new GDummyDynamicClass(name, dll, 3);
    name[0] = 'X';
    dll[0] = 'X';
    EXPECT_STREQ(dummy->GetName(), "dummy");
    EXPECT_STREQ(dummy->GetDllName(), "libDummy.so");
    EXPECT_EQ(dummy->GetType(), 3);
    EXPECT_STREQ(dummy->___GetClassName(), "GDummyDynamicClass");
    EXPECT_FALSE(dummy->IsLoaded());
    // Unloading an object without a library deletes it and frees nothing else.
    GDynamicClass* base = dummy;
    GDynamicClass::Unload(&base);
    EXPECT_EQ(base, nullptr);

    GDummyDynamicClass empty(nullptr, nullptr, 0);
    EXPECT_STREQ(empty.GetName(), "");
    EXPECT_EQ(empty.GetDllName(), nullptr);
}

TEST(GDynamicClass, CopyingIsRefusedSoNoNameIsFreedTwice) {
    static_assert(!std::is_copy_constructible<GDynamicClass>::value, "no shared handle");
    static_assert(!std::is_copy_assignable<GDynamicClass>::value, "no shared name");
    static_assert(!std::is_copy_constructible<GDummyDynamicClass>::value, "no shared strings");
}

}  // namespace
