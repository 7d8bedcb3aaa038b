#include "polykern/exdata/G3ExDataProvider.h"

G3ExDataProvider::~G3ExDataProvider() = default;

void G3ExDataProvider::RemoveExData(void* /*data*/) {}

void G3ExDataProvider::OpenExData(void* /*obj*/) {}

void G3ExDataProvider::SetExData(void* /*obj*/) {}

void G3ExDataProvider::TransformExData(G3Obj* /*obj*/, const double (*)[4]) {}

void G3ExDataProvider::CopyExData(G3Obj* /*target*/, G3Obj* /*source*/) {}
