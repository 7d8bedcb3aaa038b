#pragma once

// Everything the Modelbridge plug-in exports.

#include "modelbridge/ModelbridgeExport.h"
#include "modelbridge/ModelbridgeVersion.h"
