#pragma once

#include "polykern/PolykernExport.h"

class GArrayCollection;
class GHashtable;
class GObj;

/// One link of a chain of resource converters: each resource given to a provider becomes
/// data of its own (MakeResourceData), kept in a table keyed by the resource, and that data
/// is handed on as a resource to every provider listening to this one. Adding runs depth
/// first, listeners from the last registered to the first; removing releases a listener's
/// data before the data it was made from. Listeners are not owned and must be destroyed
/// (or removed) before their source. Not copyable.
class POLYKERN_API GDynamicResourceProvider {
public:
    /// An empty provider; with a non-null `source` it registers itself as its listener.
    explicit GDynamicResourceProvider(GDynamicResourceProvider* source);
    /// Leaves its source and destroys the table and the listener list. Data still in the
    /// table cannot be released from here (FreeResourceData belongs to the derived class):
    /// every derived destructor calls Clear().
    virtual ~GDynamicResourceProvider();
    GDynamicResourceProvider(const GDynamicResourceProvider&) = delete;
    GDynamicResourceProvider& operator=(const GDynamicResourceProvider&) = delete;

    /// The data this provider makes for `resource`, owned by the provider; may be null.
    virtual GObj* MakeResourceData(GObj* resource) = 0;
    /// Releases data made by MakeResourceData; must accept null.
    virtual void FreeResourceData(GObj* data) = 0;

    /// Appends a listener (null is ignored).
    void AddListener(GDynamicResourceProvider* listener);
    /// Removes a listener; the last one moves into its place. Unknown ones are ignored.
    void RemoveListener(GDynamicResourceProvider* listener);
    /// Makes and stores the data for `resource`, then hands it on to each listener, the
    /// last registered first.
    void AddResource(GObj* resource);
    /// Takes the resource's data out of the table, lets each listener (last first) remove
    /// what it made from it, then releases it. An unknown resource hands null on.
    void RemoveResource(GObj* resource);
    /// Stores `data` as the resource's data. Data it replaces is released, after the
    /// listeners dropped what they made from it; they then make theirs from `data`.
    void SetResourceData(GObj* resource, GObj* data);
    /// Removes every resource (each through RemoveResource), leaving the table empty.
    void Clear();
    /// Appends every resource to `resources` and its data to `data`; either may be null.
    void GetResource(GArrayCollection* resources, GArrayCollection* data);
    /// Appends the data of every resource to `data` (null is ignored).
    void GetResource(GArrayCollection* data);
    /// The data stored for `resource`, or null.
    GObj* GetResourceData(GObj* resource);
    /// No resource is held.
    bool IsEmpty() const;
    /// The number of resources held.
    int GetResourceCount() const;
    /// The provider this one listens to; null when none.
    GDynamicResourceProvider* GetSource() const { return m_Source; }
    /// The number of listeners.
    int GetListenerCount() const;

private:
    GArrayCollection* m_Listeners = nullptr;
    GHashtable* m_Table = nullptr;
    GDynamicResourceProvider* m_Source = nullptr;
};
