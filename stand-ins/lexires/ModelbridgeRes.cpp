// The plug-in's texts in English, as the table the plug-in reads from its resource module.

#include "modelbridge/ModelbridgeTexts.h"

namespace {

const char* const kTexts[MODELBRIDGE_TEXT_COUNT] = {
    "Polyhedral surface modeler",         "The modeler could not make a surface of a body",
    "The Boolean operation left no body", "The cut does not divide the body",
    "The cutting plane has no direction", "The rounding does not fit the body",
};

}  // namespace

extern "C" __attribute__((visibility("default")))
const ModelbridgeResTable ModelbridgeRes_Messages = {MODELBRIDGE_TEXT_COUNT, kTexts, "en"};
