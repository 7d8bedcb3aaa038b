#pragma once

// Everything the Sheetlink library exports.

#include "sheetlink/SheetlinkExport.h"
#include "sheetlink/SheetlinkVersion.h"
