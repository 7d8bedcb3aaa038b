#pragma once

#include "modelbridge/ModelbridgeExport.h"

/// The plug-in's version, "major.minor.patch"; a static string.
extern "C" MODELBRIDGE_API const char* Modelbridge_Version();
