#include "polykern/foundation/GPointer.h"

GPointer::~GPointer() = default;

void GPointer::Release() {
    if (--m_RefCount == 0) delete this;
}
