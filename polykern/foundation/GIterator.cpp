#include "polykern/foundation/GIterator.h"

GIterator::~GIterator() = default;
