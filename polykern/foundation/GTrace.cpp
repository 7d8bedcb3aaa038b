#include "polykern/foundation/GTrace.h"

#include <cstdio>

GTrace::Receiver GTrace::m_Receiver = nullptr;

void GTrace::Message(const char* message) {
    if (m_Receiver != nullptr && message != nullptr) m_Receiver(message);
}

GTrace::Receiver GTrace::SetReceiver(Receiver receiver) {
    Receiver previous = m_Receiver;
    m_Receiver = receiver;
    return previous;
}

void GTrace::Progress(const char* stage, long long done, long long total) {
    if (m_Receiver == nullptr || stage == nullptr) return;
    char line[160];
    std::snprintf(line, sizeof line, "%.120s: %lld/%lld", stage, done, total);
    m_Receiver(line);
}
