#include "polykern/boolean/G3BCSideBySide.h"

namespace g3bcside {

std::mutex& HelperLock() {
    static std::mutex lock;
    return lock;
}

bool& Busy() {
    static thread_local bool busy = false;
    return busy;
}

}  // namespace g3bcside
