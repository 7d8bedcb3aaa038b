#include "tools/polykern/CommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/MeshFiles.h"

namespace pkcli {

namespace {

void PrintTrace(const char* message) {
    if (message != nullptr) std::fprintf(stderr, "polykern: kernel: %s\n", message);
}

}  // namespace

int Fail(const std::string& message) {
    std::fprintf(stderr, "polykern: %s\n", message.c_str());
    return kExitFailed;
}

void Progress(const Session& session, const std::string& message) {
    if (session.verbose || isatty(STDERR_FILENO))
        std::fprintf(stderr, "polykern: %s\n", message.c_str());
}

int OpenTemporaryBeside(const std::string& path, std::string* tempName, std::string* error) {
    *tempName = path + ".tmp-XXXXXX";
    const int fd = mkstemp(&(*tempName)[0]);
    if (fd < 0) {
        *error = "cannot create a file beside '" + path + "': " + std::strerror(errno);
        return -1;
    }
    const mode_t mask = umask(0);  // mkstemp makes 0600; give the usual permissions
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return fd;
}

std::unique_ptr<G3Surface> ReadForWriting(const std::string& input,
                                          const std::string& output,
                                          bool asciiStl,
                                          int* status) {
    *status = kExitFailed;
    if (!CanWrite(FormatOfPath(output, asciiStl))) {
        Fail("cannot write this format: " + output);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(input, &error));
    if (s == nullptr) {
        Fail(error);
        return nullptr;
    }
    *status = kExitOk;
    return s;
}

int WriteResult(G3Surface* s, const std::string& output, bool asciiStl) {
    std::string error;
    int inexact = 0;
    if (!WriteSurface(s, output, asciiStl, &error, &inexact)) return Fail(error);
    if (inexact > 0) {
        std::fprintf(stderr,
                     "polykern: warning: %d facets could not be triangulated exactly (their "
                     "outlines cross themselves); holes dropped or split as a fan\n",
                     inexact);
    }
    return kExitOk;
}

void AddSurfaceFiles(CLI::App* cmd, std::string* input, std::string* output, bool* asciiStl) {
    cmd->add_option("IN", *input, "Surface file to read")->required();
    cmd->add_option("OUT", *output, "File to write; its extension names the format")->required();
    cmd->add_flag("--ascii-stl", *asciiStl, "Write STL as text instead of binary");
}

TraceToStderr::TraceToStderr(const Session& session) {
    if (!session.verbose) return;
    GTrace::SetReceiver(&PrintTrace);
    m_Installed = true;
}

TraceToStderr::~TraceToStderr() {
    if (m_Installed) GTrace::SetReceiver(nullptr);
}

}  // namespace pkcli
