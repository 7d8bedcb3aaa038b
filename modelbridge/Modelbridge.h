#pragma once

// Everything the Modelbridge plug-in exports.

#include "modelbridge/G3MatsFacetProvider.h"
#include "modelbridge/G3SurfaceModeler.h"
#include "modelbridge/ModelbridgeExport.h"
#include "modelbridge/ModelbridgeTexts.h"
#include "modelbridge/ModelbridgeVersion.h"
