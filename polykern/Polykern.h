#pragma once

// Everything the Polykern library exports.

#include "polykern/PolykernExport.h"

// Object foundation
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GArrayCollectionIterator.h"
#include "polykern/foundation/GCollection.h"
#include "polykern/foundation/GHashtable.h"
#include "polykern/foundation/GHashtableIterator.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/foundation/GIdMap.h"
#include "polykern/foundation/GIdentifiableObject.h"
#include "polykern/foundation/GIterator.h"
#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/foundation/GPlatform.h"
#include "polykern/foundation/GPointer.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/foundation/GPress.h"
#include "polykern/foundation/GSemaphor.h"
