#pragma once

// Everything the Sheetlink library exports.

#include "sheetlink/FPOINT.h"
#include "sheetlink/SheetlinkExport.h"
#include "sheetlink/SheetlinkVersion.h"
#include "sheetlink/Sheetlink_Body.h"
#include "sheetlink/Sheetlink_Plane.h"
