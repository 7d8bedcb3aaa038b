#include "tools/polykern/CommandLine.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>

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
