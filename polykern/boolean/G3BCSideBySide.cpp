#include "polykern/boolean/G3BCSideBySide.h"

namespace g3bcside {

std::mutex& HelperLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace g3bcside
