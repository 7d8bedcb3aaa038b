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

// Geometric math
#include "polykern/math/G3Math.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/math/GRect.h"
#include "polykern/math/GVector3.h"

// Extended data
#include "polykern/exdata/CDispatchExDataProvider.h"
#include "polykern/exdata/CExData.h"
#include "polykern/exdata/CExDataProvider.h"
#include "polykern/exdata/CStandardExDataProvider.h"
#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/exdata/IGeometryExDataProvider.h"

// Polyhedral model
#include "polykern/model/G3Obj.h"
