#pragma once

// Runs the polykern program as a user would, in a work folder of its own per test, and
// reads back what it printed and wrote. The program's path comes from POLYKERN_EXE.

#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"

namespace pktest {

/// The exit status and both streams of one run.
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

/// The whole file, or an empty string.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

inline int CountLines(const std::string& text) {
    int n = 0;
    for (const char c : text) n += c == '\n';
    return n;
}

/// A fixture with an empty work folder; the streams are kept outside it, so that its
/// listing shows only what the program left there.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string id = std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                               std::to_string(getpid());
        m_Dir = ::testing::TempDir() + "pkcli-" + id;
        m_Out = ::testing::TempDir() + "pkcli-streams-" + id;
        ASSERT_EQ(std::system(("rm -rf '" + m_Dir + "' && mkdir -p '" + m_Dir + "'").c_str()), 0);
    }
    void TearDown() override {
        std::system(("rm -rf '" + m_Dir + "' '" + m_Out + ".out' '" + m_Out + ".err'").c_str());
    }

    std::string Path(const std::string& name) const { return m_Dir + "/" + name; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    /// Runs the program with the arguments (each quoted) and collects both streams.
    CliResult Run(const std::vector<std::string>& args) const {
        std::string cmd = "'" POLYKERN_EXE "'";
        for (const auto& a : args) cmd += " '" + a + "'";
        cmd += " >'" + m_Out + ".out' 2>'" + m_Out + ".err'";
        CliResult r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        r.out = ReadFile(m_Out + ".out");
        r.err = ReadFile(m_Out + ".err");
        return r;
    }

    /// The names in the work folder.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        DIR* dir = opendir(m_Dir.c_str());
        while (dirent* e = dir != nullptr ? readdir(dir) : nullptr)
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        if (dir != nullptr) closedir(dir);
        return names;
    }

    /// Opens `gltf` in the viewer page (three.js's glTF loader) in headless Chromium with
    /// software WebGL: *dom gets the page as it ends (it reports the nodes it loaded as
    /// "nodes=N"), *drawn the screenshot's pixels that are not the white background. False
    /// when the browser or the screenshot fails.
    bool OpenInViewer(const std::string& gltf, std::string* dom, std::size_t* drawn) const {
        const std::string page = std::string("file://") + PK_VIEWER_PAGE + "?file=" + gltf;
        const std::string browser =
            "timeout 120 /usr/bin/chromium --headless --no-sandbox --allow-file-access-from-files "
            "--use-gl=angle --use-angle=swiftshader --enable-unsafe-swiftshader "
            "--user-data-dir='" + Path("profile") + "' --window-size=640,480 "
            "--virtual-time-budget=10000 ";
        const std::string domFile = Path("dom.html"), shot = Path("shot.png");
        if (std::system((browser + "--dump-dom '" + page + "' >'" + domFile + "' 2>/dev/null").c_str()) != 0)
            return false;
        *dom = ReadFile(domFile);
        if (std::system((browser + "--screenshot='" + shot + "' '" + page + "' >/dev/null 2>&1").c_str()) != 0)
            return false;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, shot.c_str())) return false;
        image.format = PNG_FORMAT_RGB;
        std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return false;
        *drawn = 0;
        for (std::size_t p = 0; p < pixels.size(); p += 3)
            *drawn += pixels[p] < 240 || pixels[p + 1] < 240 || pixels[p + 2] < 240;
        return true;
    }

    /// A dump file read back with its planes formed (the dump holds none); null when it
    /// does not load.
    static std::unique_ptr<G3Surface> LoadDump(const std::string& path) {
        auto s = std::make_unique<G3Surface>();
        if (!s->LoadChecked(path.c_str())) return nullptr;
        s->FormPlaneEquation();
        return s;
    }

    std::string m_Dir;
    std::string m_Out;
};

}  // namespace pktest
