// Loading and unloading the plug-in: what stays behind in the host, and what does not.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GDynamicClass.h"
#include "polykern/foundation/GPlatform.h"
#include "polykern/model/G3Obj.h"
#include "polykern/modeler/G3AbstractModeler.h"
#include "tests/modelbridge/PluginHost.h"
#include "tests/support/PlaneBodies.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using pktest::kPluginName;

bool Mapped(const char* fileName) {
    return !GPlatform::LoadedLibraryPath(fileName).empty();
}

std::vector<GObj*> Providers() {
    GArrayCollection* list = G3Obj::GetProviderList();
    std::vector<GObj*> out;
    for (int i = 0; i < list->size(); ++i) out.push_back(list->get(i));
    return out;
}

// One union through the modeler, so that its provider registers with the kernel.
void RunOneBoolean(G3AbstractModeler* m) {
    Sheetlink_Body* a = pktest::MakeBoxBody(0, 0, 0, 2, 2, 2, {1, 1, 1});
    Sheetlink_Body* b = pktest::MakeBoxBody(1, 1, 1, 3, 3, 3, {2, 2, 2});
    Sheetlink_Body* sum = m->BooleanAdd(a, nullptr, b, nullptr, nullptr);
    ASSERT_NE(sum, nullptr);
    EXPECT_NEAR(pktest::BodyVolume(sum), 15.0, 1e-9);
    m->DeleteBody(sum);
    delete a;
    delete b;
}

using TextLanguage = const char* (*)();

TEST(ModelbridgeUnload, UnloadingTakesTheProviderOffAndUnmapsEverything) {
    ASSERT_FALSE(Mapped(kPluginName));
    const std::vector<GObj*> before = Providers();
    GDynamicClass* plugin = nullptr;
    ASSERT_EQ(GDynamicClass::Load(&plugin, kPluginName), 1);
    RunOneBoolean(static_cast<G3AbstractModeler*>(plugin));
    EXPECT_EQ(Providers().size(), before.size() + 1);
    EXPECT_TRUE(Mapped("libModelbridgeRes.so"));
    // The language library is let go as soon as it has handed over the resource module.
    EXPECT_FALSE(Mapped("libLexires.so"));

    GDynamicClass::Unload(&plugin);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_EQ(Providers(), before);
    EXPECT_FALSE(Mapped(kPluginName));
    EXPECT_FALSE(Mapped("libModelbridgeRes.so"));

    // A Boolean straight on the kernel now: it must call nothing of the unloaded library.
    G3BooleanCalculator calculator;
    G3Surface* sum = calculator.Add(pktest::MakeLShapedBuilding(), pktest::MakeCube(6, 1, 1, 4));
    ASSERT_NE(sum, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(sum));
    delete sum;
}

TEST(ModelbridgeUnload, LoadingAgainAfterUnloadingWorksTheSame) {
    for (int round = 0; round < 3; ++round) {
        GDynamicClass* plugin = nullptr;
        ASSERT_EQ(GDynamicClass::Load(&plugin, kPluginName), 1) << "round " << round;
        RunOneBoolean(static_cast<G3AbstractModeler*>(plugin));
        GDynamicClass::Unload(&plugin);
        EXPECT_FALSE(Mapped(kPluginName));
    }
}

TEST(ModelbridgeUnload, TheTextsComeFromTheResourceLibrary) {
    GDynamicClass* plugin = nullptr;
    ASSERT_EQ(GDynamicClass::Load(&plugin, kPluginName), 1);
    auto language = reinterpret_cast<TextLanguage>(
        GPlatform::FindSymbol(plugin->GetLibrary(), "Modelbridge_TextLanguage"));
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language(), "en");
    GDynamicClass::Unload(&plugin);
}

TEST(ModelbridgeUnload, ThePluginRunsWithoutTheResourceLibrary) {
    // A copy of the plug-in alone in a folder: no language library beside it.
    const std::string folder = testing::TempDir() + "modelbridge-alone";
    const std::string copy = folder + "/libModelbridge.so";
    std::remove(copy.c_str());
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
    {
        std::ifstream in(PK_PLUGIN_FILE, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        ASSERT_TRUE(in && out);
        out << in.rdbuf();
    }
    GDynamicClass* plugin = nullptr;
    ASSERT_EQ(GDynamicClass::Load(&plugin, copy.c_str()), 1);
    auto language = reinterpret_cast<TextLanguage>(
        GPlatform::FindSymbol(plugin->GetLibrary(), "Modelbridge_TextLanguage"));
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language(), "built-in");
    EXPECT_FALSE(Mapped("libModelbridgeRes.so"));
    RunOneBoolean(static_cast<G3AbstractModeler*>(plugin));
    GDynamicClass::Unload(&plugin);
    EXPECT_FALSE(Mapped(kPluginName));
    std::remove(copy.c_str());
}

TEST(ModelbridgeUnload, FilesThatAreNoPluginAnswerZero) {
    GDynamicClass* plugin = nullptr;
    EXPECT_EQ(GDynamicClass::Load(&plugin, "libModelbridgeMissing.so"), 0);
    EXPECT_EQ(plugin, nullptr);
    // A library without the factory.
    EXPECT_EQ(GDynamicClass::Load(&plugin, "libLexires.so"), 0);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_FALSE(Mapped("libLexires.so"));
    // A file that is no library at all.
    const std::string text = testing::TempDir() + "libNotAPlugin.so";
    {
        std::ofstream out(text);
        out << "NewInstance\n";
    }
    EXPECT_EQ(GDynamicClass::Load(&plugin, text.c_str()), 0);
    EXPECT_EQ(plugin, nullptr);
    std::remove(text.c_str());
}

}  // namespace
