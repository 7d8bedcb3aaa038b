#pragma once

// Comparing two surfaces entity by entity, for paths that must build the same surface.

#include <gtest/gtest.h>

#include <string>

class G3Surface;

namespace pktest {

/// The same vertices (coordinates, identifiers, edge-list order), edges (ends, facets,
/// flags, identifiers), facets (rings edge by edge, surface numbers, planes bit for bit)
/// and the same text dump byte for byte. Says where the two first differ.
::testing::AssertionResult SameSurface(const G3Surface* a, const G3Surface* b);

/// The text dump of s as written by Save.
std::string DumpText(const G3Surface* s);

}  // namespace pktest
