#pragma once

#include "polykern/PolykernExport.h"

class GObj;
class GCollection;

/// Iteration protocol of the collection layer.
class POLYKERN_API GIterator {
public:
    virtual ~GIterator();
    virtual bool hasNext() = 0;
    virtual GObj* next() = 0;
    /// Removes the element `next` returned last, where the iterator supports it.
    virtual void remove() {}
    virtual void init(GCollection* /*c*/) {}
};
