#include <gtest/gtest.h>

#include "polykern/foundation/GPlatform.h"

namespace {

TEST(GPlatform, LibraryNamesMapToSharedObjects) {
    EXPECT_EQ(GPlatform::LibraryFileName("Reducerlink.dll"), "libReducerlink.so");
    EXPECT_EQ(GPlatform::LibraryFileName("Lexires.DLL"), "libLexires.so");
    EXPECT_EQ(GPlatform::LibraryFileName("libModelbridge.so"), "libModelbridge.so");
    EXPECT_EQ(GPlatform::LibraryFileName("/opt/x/Corva16.dll"), "/opt/x/Corva16.dll");
    EXPECT_EQ(GPlatform::LibraryFileName(nullptr), "");
}

TEST(GPlatform, NullOrEmptyNamesNeverOpenTheHost) {
    EXPECT_EQ(GPlatform::OpenLibrary(nullptr), nullptr);
    EXPECT_EQ(GPlatform::OpenLibrary(""), nullptr);
    EXPECT_EQ(GPlatform::FindLoadedLibrary(""), nullptr);
    EXPECT_EQ(GPlatform::FindSymbol(nullptr, "x"), nullptr);
    GPlatform::CloseLibrary(nullptr);
    EXPECT_EQ(GPlatform::OpenLibrary("libNoSuchPolykernPlugin.so"), nullptr);
    EXPECT_FALSE(GPlatform::LastError().empty());
}

TEST(GPlatform, PluginBesideTheKernelIsFoundByBareName) {
    // The kernel's RUNPATH is its own folder, so a sibling library needs no path.
    void* lib = GPlatform::OpenLibrary("libModelbridge.so");
    ASSERT_NE(lib, nullptr) << GPlatform::LastError();
    void* symbol = GPlatform::FindSymbol(lib, "Modelbridge_Version");
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(GPlatform::FindLoadedLibrary("libModelbridge.so"), lib);
    const std::string path = GPlatform::ModulePathOf(symbol);
    EXPECT_NE(path.find("libModelbridge.so"), std::string::npos);
    EXPECT_TRUE(GPlatform::FileExists(path.c_str()));
    EXPECT_EQ(GPlatform::FindSymbol(lib, "NoSuchExport"), nullptr);
    GPlatform::CloseLibrary(lib);
    EXPECT_FALSE(GPlatform::FileExists(nullptr));
    EXPECT_FALSE(GPlatform::FileExists("/no/such/file"));
}

}  // namespace
