#include "polykern/foundation/GSemaphor.h"

#include <mutex>

struct GSemaphor::Impl {
    std::recursive_mutex mutex;
};

GSemaphor::GSemaphor() : m_Impl(new Impl) {}

GSemaphor::~GSemaphor() {
    delete m_Impl;
    m_Impl = nullptr;
}

void GSemaphor::Busy() {
    if (m_Impl != nullptr) m_Impl->mutex.lock();
}

void GSemaphor::Free() {
    if (m_Impl != nullptr) m_Impl->mutex.unlock();
}
