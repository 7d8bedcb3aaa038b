// How the kernel finds the adapter library, each case in a fresh process (the binding is
// kept for the life of a process): a copy of the kernel is placed in a folder of its own,
// with or without the adapter beside it, and a probe program runs against that copy.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "polykern/foundation/GPlatform.h"

namespace {

class G3SurfaceSimplifyBinding : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Dir = ::testing::TempDir() + "pkbind-" + info->name() + "-" + std::to_string(getpid());
        ASSERT_EQ(Shell("rm -rf '" + m_Dir + "' && mkdir -p '" + m_Dir + "'"), 0);
        m_Kernel = GPlatform::ModulePathOf(reinterpret_cast<const void*>(&GPlatform::OpenLibrary));
        ASSERT_FALSE(m_Kernel.empty());
        m_Adapter = GPlatform::SiblingPath(m_Kernel, "libReducerlink.so");
        ASSERT_TRUE(GPlatform::FileExists(m_Adapter.c_str())) << m_Adapter;
    }
    void TearDown() override { Shell("rm -rf '" + m_Dir + "'"); }

    static int Shell(const std::string& command) { return std::system(command.c_str()); }

    // A folder below the test's own, holding a copy of each named file under its new name.
    std::string Folder(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& copies) const {
        const std::string dir = m_Dir + "/" + name;
        std::string command = "mkdir -p '" + dir + "'";
        for (const auto& c : copies)
            command += " && cp -L '" + c.first + "' '" + dir + "/" + c.second + "'";
        EXPECT_EQ(Shell(command), 0) << command;
        return dir;
    }

    // The probe's report, run with the kernel of `kernelDir` and the preloaded libraries.
    std::string Probe(const std::string& kernelDir, const std::vector<std::string>& preload) const {
        std::string command = "LD_LIBRARY_PATH='" + kernelDir + "' '" PK_SIMPLIFY_PROBE "'";
        for (const auto& p : preload) command += " '" + p + "'";
        command += " 2>&1";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
            EXPECT_EQ(pclose(pipe), 0) << out;
        }
        // Every case must really run against the copy, not the build's own kernel.
        EXPECT_NE(out.find("kernel " + kernelDir + "/"), std::string::npos) << out;
        return out;
    }

    std::string m_Dir, m_Kernel, m_Adapter;
};

std::pair<std::string, std::string> Named(const std::string& from, const char* to) {
    return {from, to};
}

TEST_F(G3SurfaceSimplifyBinding, MissingAdapterGivesNullAndLeavesTheResult) {
    const std::string kernel = Folder("kernel", {Named(m_Kernel, "libPolykern.so.0")});
    const std::string out = Probe(kernel, {});
    // 7 is the cancelled code the probe sets beforehand: nobody wrote the result.
    EXPECT_NE(out.find("null, result 7\n"), std::string::npos) << out;
    EXPECT_NE(out.find("adapter none\n"), std::string::npos) << out;
}

TEST_F(G3SurfaceSimplifyBinding, AdapterBesideTheKernelIsFound) {
    const std::string kernel = Folder(
        "kernel", {Named(m_Kernel, "libPolykern.so.0"), Named(m_Adapter, "libReducerlink.so")});
    const std::string out = Probe(kernel, {});
    EXPECT_NE(out.find("result 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("adapter " + kernel + "/libReducerlink.so\n"), std::string::npos) << out;
}

TEST_F(G3SurfaceSimplifyBinding, AdapterBesideTheSiblingLibraryIsFound) {
    const std::string kernel = Folder("kernel", {Named(m_Kernel, "libPolykern.so.0")});
    // Any library stands for the sibling: only its file name and folder matter.
    const std::string host =
        Folder("host", {Named(m_Adapter, "libCorva16.so"), Named(m_Adapter, "libReducerlink.so")});
    const std::string out = Probe(kernel, {host + "/libCorva16.so"});
    EXPECT_NE(out.find("result 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("adapter " + host + "/libReducerlink.so\n"), std::string::npos) << out;
}

TEST_F(G3SurfaceSimplifyBinding, AdapterTheHostLoadedIsBoundFirst) {
    const std::string kernel = Folder(
        "kernel", {Named(m_Kernel, "libPolykern.so.0"), Named(m_Adapter, "libReducerlink.so")});
    const std::string other = Folder("other", {Named(m_Adapter, "libReducerlink.so")});
    const std::string out = Probe(kernel, {other + "/libReducerlink.so"});
    EXPECT_NE(out.find("result 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("adapter " + other + "/libReducerlink.so\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("adapter " + kernel + "/"), std::string::npos) << out;
}

}  // namespace
