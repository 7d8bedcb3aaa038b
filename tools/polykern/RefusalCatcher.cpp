#include "tools/polykern/RefusalCatcher.h"

#include <cstring>

#include "polykern/foundation/GTrace.h"

namespace pkcli {

namespace {

std::string g_Refusal;
GTrace::Receiver g_Forward = nullptr;

void KeepRefusal(const char* message) {
    if (message != nullptr) {
        for (const char* prefix : {"Boolean: ", "SliceBySurface: "}) {
            const std::size_t n = std::strlen(prefix);
            if (std::strncmp(message, prefix, n) == 0) g_Refusal = message + n;
        }
    }
    if (g_Forward != nullptr) g_Forward(message);
}

}  // namespace

RefusalCatcher::RefusalCatcher() {
    g_Refusal.clear();
    g_Forward = GTrace::SetReceiver(&KeepRefusal);
}

RefusalCatcher::~RefusalCatcher() {
    GTrace::SetReceiver(g_Forward);
    g_Forward = nullptr;
}

std::string RefusalCatcher::Refusal() const {
    return g_Refusal;
}

}  // namespace pkcli
