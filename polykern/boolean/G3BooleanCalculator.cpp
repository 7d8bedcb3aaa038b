#include "polykern/boolean/G3BooleanCalculator.h"

#include <map>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/spatial/G3Grid.h"
#include "polykern/model/G3Surface.h"

namespace {

// Providers set aside while a surface carries working data.
std::map<const G3Surface*, G3ShellExDataProvider*>& SetAside() {
    static auto* saved = new std::map<const G3Surface*, G3ShellExDataProvider*>();
    return *saved;
}

}  // namespace

G3BCPointWriter::~G3BCPointWriter() = default;

G3BooleanCalculator::G3BooleanCalculator()
    : m_Candidates(new GArrayCollection()), m_FloodStack(new GArrayCollection()) {}

G3BooleanCalculator::~G3BooleanCalculator() {
    delete m_Grid;
    delete m_Candidates;
    delete m_FloodStack;
}

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
