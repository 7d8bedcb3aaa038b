#include "polykern/foundation/GTrace.h"

#include <cstdio>

GTrace::Receiver GTrace::m_Receiver = nullptr;

namespace {

thread_local std::vector<std::string>* t_Collected = nullptr;

}  // namespace

void GTrace::Message(const char* message) {
    if (m_Receiver == nullptr || message == nullptr) return;
    if (t_Collected != nullptr) {
        t_Collected->emplace_back(message);
        return;
    }
    m_Receiver(message);
}

std::vector<std::string>* GTrace::Collect(std::vector<std::string>* lines) {
    std::vector<std::string>* previous = t_Collected;
    t_Collected = lines;
    return previous;
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
    Message(line);
}
