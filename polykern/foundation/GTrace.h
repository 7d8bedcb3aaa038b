#pragma once

#include "polykern/PolykernExport.h"

/// The kernel's trace hook: long operations and refusals pass progress messages here.
/// They are discarded unless a host installs a receiver; nothing depends on them.
class POLYKERN_API GTrace {
public:
    using Receiver = void (*)(const char* message);

    /// Passes `message` to the installed receiver, if any.
    static void Message(const char* message);
    /// Installs `receiver` (null discards messages again); returns the previous one.
    static Receiver SetReceiver(Receiver receiver);

private:
    static Receiver m_Receiver;
};
