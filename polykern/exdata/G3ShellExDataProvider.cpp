#include "polykern/exdata/G3ShellExDataProvider.h"

G3ShellExDataProvider::~G3ShellExDataProvider() = default;
