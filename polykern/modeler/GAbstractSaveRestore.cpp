#include "polykern/modeler/GAbstractSaveRestore.h"

GAbstractSaveRestore::~GAbstractSaveRestore() = default;
