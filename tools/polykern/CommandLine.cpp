#include "tools/polykern/CommandLine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "polykern/foundation/GTrace.h"

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
