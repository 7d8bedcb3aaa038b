#include "modelbridge/ModelbridgeVersion.h"

const char* Modelbridge_Version() {
    return PK_VERSION;
}
