#include "polykern/foundation/GIdentifiableObject.h"

GIdentifiableObject::~GIdentifiableObject() {
    m_Id = -1;
}
