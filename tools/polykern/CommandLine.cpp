#include "tools/polykern/CommandLine.h"

#include <unistd.h>

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

TraceToStderr::TraceToStderr(const Session& session) {
    if (!session.verbose) return;
    GTrace::SetReceiver(&PrintTrace);
    m_Installed = true;
}

TraceToStderr::~TraceToStderr() {
    if (m_Installed) GTrace::SetReceiver(nullptr);
}

}  // namespace pkcli
