#pragma once

// Internal consistency checks. Never used for input the kernel must answer:
// such input gets a documented failure value instead.
//
// PK_ASSERT: cheap checks, on in debug builds.
// PK_EXPENSIVE_ASSERT: topology walks and other costly checks, on in test builds
// (define PK_EXPENSIVE_CHECKS).

#include <cstdio>
#include <cstdlib>

#define PK_ASSERT_FAIL(cond)                                                               \
    (std::fprintf(stderr, "%s:%d: internal check failed: %s\n", __FILE__, __LINE__, cond), \
     std::abort())

#ifdef NDEBUG
#define PK_ASSERT(cond) ((void)0)
#else
#define PK_ASSERT(cond) ((cond) ? (void)0 : PK_ASSERT_FAIL(#cond))
#endif

#ifdef PK_EXPENSIVE_CHECKS
#define PK_EXPENSIVE_ASSERT(cond) ((cond) ? (void)0 : PK_ASSERT_FAIL(#cond))
#else
#define PK_EXPENSIVE_ASSERT(cond) ((void)0)
#endif
