#include "polykern/boolean/G3BooleanCalculator.h"

#include <map>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/model/G3Surface.h"

namespace {

// Providers set aside while a surface carries working data.
std::map<const G3Surface*, G3ShellExDataProvider*>& SetAside() {
    static auto* saved = new std::map<const G3Surface*, G3ShellExDataProvider*>();
    return *saved;
}

}  // namespace

void G3BooleanCalculator::OpenBoolean(G3Surface* s) {
    if (s == nullptr || dynamic_cast<G3BCExDataProvider*>(s->GetExDataProvider()) != nullptr)
        return;
    if (s->GetExDataProvider() != nullptr) SetAside()[s] = s->GetExDataProvider();
    s->SetExDataProvider(new G3BCExDataProvider());
    s->OpenExData();
}

void G3BooleanCalculator::CloseBoolean(G3Surface* s) {
    if (s == nullptr || dynamic_cast<G3BCExDataProvider*>(s->GetExDataProvider()) == nullptr)
        return;
    s->CloseExData();
    s->RemoveExDataProvider();
    auto it = SetAside().find(s);
    if (it != SetAside().end()) {
        s->SetExDataProvider(it->second);
        SetAside().erase(it);
    }
}
