#pragma once

// Extended-data providers the suites install to watch values travel through splits and
// merges.

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/model/G3Obj.h"

namespace pktest {

/// Carries the value of the entity set through ProviderSetExData to every facet opened
/// while it is set, as a material provider does.
class FacetTagProvider : public G3ExDataProvider {
public:
    void SetExData(void* obj) override { current = static_cast<G3Obj*>(obj); }
    void OpenExData(void* obj) override {
        auto* o = static_cast<G3Obj*>(obj);
        if (o->GetObjectType() == 4 && current != nullptr)
            o->SetOutExData(this, current->GetOutExData(this));
    }
    G3Obj* current = nullptr;
};

/// Registers a provider for the lifetime of the scope.
class ScopedProvider {
public:
    explicit ScopedProvider(G3ExDataProvider* p) : m_Provider(p) { G3Obj::AddProvider(p); }
    ~ScopedProvider() {
        G3Obj any;
        any.RemoveExDataProvider(m_Provider);
    }
    ScopedProvider(const ScopedProvider&) = delete;
    ScopedProvider& operator=(const ScopedProvider&) = delete;

private:
    G3ExDataProvider* m_Provider;
};

}  // namespace pktest
