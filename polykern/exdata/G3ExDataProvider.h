#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Obj;

/// A listener registered with the mesh entities (G3Obj::AddProvider): called back when an
/// entity is opened, set, transformed or copied, and may keep one value per entity. The
/// base implementation of every callback does nothing.
class POLYKERN_API G3ExDataProvider : public GObj {
public:
    G3ExDataProvider() = default;
    ~G3ExDataProvider() override;

    /// Releases a value this provider stored on an entity.
    virtual void RemoveExData(void* data);
    /// The entity `obj` (a G3Obj*) was created or reopened.
    virtual void OpenExData(void* obj);
    /// Take the entity's value as the provider's current state.
    virtual void SetExData(void* obj);
    /// The entity's geometry was transformed by m.
    virtual void TransformExData(G3Obj* obj, const double m[4][4]);
    /// Copy this provider's value from `source` to `target`.
    virtual void CopyExData(G3Obj* target, G3Obj* source);
};
