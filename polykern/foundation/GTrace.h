#pragma once

#include <string>
#include <vector>

#include "polykern/PolykernExport.h"

/// The kernel's trace hook: long operations and refusals pass progress messages here.
/// They are discarded unless a host installs a receiver; nothing depends on them.
class POLYKERN_API GTrace {
public:
    using Receiver = void (*)(const char* message);

    /// Passes `message` to the installed receiver, if any.
    static void Message(const char* message);
    /// Passes "stage: done/total" to the installed receiver, if any. Long operations call
    /// it as they go (a few hundred times at most), so a host can show that they advance.
    static void Progress(const char* stage, long long done, long long total);
    /// Whether a receiver is installed, so a caller can skip preparing a message.
    static bool IsActive() { return m_Receiver != nullptr; }
    /// Installs `receiver` (null discards messages again); returns the previous one.
    static Receiver SetReceiver(Receiver receiver);
    /// Keeps the messages this thread passes in `lines` instead (null passes them on
    /// again); returns the previous store. A step run on a helper thread collects its
    /// messages, and the thread that waits for it passes them on in their order.
    static std::vector<std::string>* Collect(std::vector<std::string>* lines);

private:
    static Receiver m_Receiver;
};
