#include "sheetlink/SheetlinkVersion.h"

const char* Sheetlink_Version() {
    return PK_VERSION;
}
