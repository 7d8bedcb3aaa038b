#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class GIterator;

/// Abstract list of `GObj*` that does not own its elements.
class POLYKERN_API GCollection : public GObj {
public:
    GCollection() = default;
    ~GCollection() override;

    virtual int size() = 0;
    /// The base reports false whatever the size; subclasses answer properly.
    virtual bool isEmpty() { return false; }
    virtual bool contains(GObj* /*obj*/) { return false; }
    /// The element array itself (not a copy), or null when there is none.
    virtual GObj** toArray() { return nullptr; }
    virtual void add(GObj* obj) = 0;
    virtual bool remove(GObj* /*obj*/) { return false; }
    virtual void clear() {}
    /// Appends every element that `it` still yields.
    virtual void addIterator(GIterator* it);
};
