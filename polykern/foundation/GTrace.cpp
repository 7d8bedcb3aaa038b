#include "polykern/foundation/GTrace.h"

GTrace::Receiver GTrace::m_Receiver = nullptr;

void GTrace::Message(const char* message) {
    if (m_Receiver != nullptr && message != nullptr) m_Receiver(message);
}

GTrace::Receiver GTrace::SetReceiver(Receiver receiver) {
    Receiver previous = m_Receiver;
    m_Receiver = receiver;
    return previous;
}
