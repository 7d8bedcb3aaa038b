#include "polykern/modeler/G3AbstractModeler.h"

G3AbstractModeler::G3AbstractModeler() = default;

G3AbstractModeler::~G3AbstractModeler() = default;

const char* G3AbstractModeler::___GetClassName() {
    return "G3AbstractModeler";
}

int G3AbstractModeler::GetType() {
    return 0;
}

const char* G3AbstractModeler::GetName() {
    return "";
}
