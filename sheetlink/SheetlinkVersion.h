#pragma once

#include "sheetlink/SheetlinkExport.h"

/// The library's version, "major.minor.patch"; a static string.
extern "C" SHEETLINK_API const char* Sheetlink_Version();
