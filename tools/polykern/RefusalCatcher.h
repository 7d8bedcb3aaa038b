#pragma once

// The calculator tells why it refused its operands only through the trace hook.

#include <string>

namespace pkcli {

/// While alive, keeps the last refusal the calculator traced ("Boolean: …" or
/// "SliceBySurface: …", without the prefix) and passes every message on to the receiver
/// installed before (the --verbose one, if any). One at a time.
class RefusalCatcher {
public:
    RefusalCatcher();
    ~RefusalCatcher();
    RefusalCatcher(const RefusalCatcher&) = delete;
    RefusalCatcher& operator=(const RefusalCatcher&) = delete;

    /// The last refusal seen, empty when there was none.
    std::string Refusal() const;
};

}  // namespace pkcli
