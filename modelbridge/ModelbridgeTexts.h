#pragma once

#include <cstdint>

#include "modelbridge/ModelbridgeExport.h"

/// The plug-in's user-facing messages, by number.
enum MODELBRIDGE_TEXT : int {
    MODELBRIDGE_TEXT_NAME = 0,           ///< the modeler's display name
    MODELBRIDGE_TEXT_NO_OPERAND = 1,     ///< a body is missing or makes no surface
    MODELBRIDGE_TEXT_BOOLEAN_EMPTY = 2,  ///< a Boolean left nothing
    MODELBRIDGE_TEXT_SLICE_EMPTY = 3,    ///< a slice did not divide the body
    MODELBRIDGE_TEXT_BAD_PLANE = 4,      ///< a slice plane without a usable normal
    MODELBRIDGE_TEXT_BLEND_FAILED = 5,   ///< a blend did not fit
    MODELBRIDGE_TEXT_COUNT = 6
};

/// The table a resource library exports under the name "ModelbridgeRes_Messages": `count`
/// texts indexed by MODELBRIDGE_TEXT, in the library's language.
struct ModelbridgeResTable {
    int32_t count;
    const char* const* texts;
    const char* language;
};

/// The message `id` from the resource module when it has it, else from the plug-in's own
/// table; an empty string for an unknown id. A static string.
extern "C" MODELBRIDGE_API const char* Modelbridge_Text(int id);
/// The language of the texts: the resource module's, or "built-in" for the plug-in's own.
extern "C" MODELBRIDGE_API const char* Modelbridge_TextLanguage();
