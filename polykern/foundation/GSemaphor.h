#pragma once

#include "polykern/PolykernExport.h"

/// A re-entrant lock. `Busy` enters, `Free` leaves; both do nothing once the lock has
/// been destroyed. Not copyable: two copies would destroy the same lock.
class POLYKERN_API GSemaphor {
public:
    GSemaphor();
    ~GSemaphor();
    GSemaphor(const GSemaphor&) = delete;
    GSemaphor& operator=(const GSemaphor&) = delete;

    /// Enters the lock; the thread that holds it may enter again.
    void Busy();
    /// Leaves the lock once.
    void Free();

private:
    struct Impl;
    Impl* m_Impl;
};

/// Holds a `GSemaphor` for one scope, so an exception cannot leave it entered.
class GSemaphorGuard {
public:
    explicit GSemaphorGuard(GSemaphor& lock) : m_Lock(lock) { m_Lock.Busy(); }
    ~GSemaphorGuard() { m_Lock.Free(); }
    GSemaphorGuard(const GSemaphorGuard&) = delete;
    GSemaphorGuard& operator=(const GSemaphorGuard&) = delete;

private:
    GSemaphor& m_Lock;
};
