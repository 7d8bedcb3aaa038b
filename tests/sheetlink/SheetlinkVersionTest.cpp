#include <gtest/gtest.h>

#include <cstring>

#include "sheetlink/Sheetlink.h"

namespace {

TEST(Sheetlink, ReportsADottedVersion) {
    const char* v = Sheetlink_Version();
    ASSERT_NE(v, nullptr);
    int major = -1, minor = -1, patch = -1;
    EXPECT_EQ(std::sscanf(v, "%d.%d.%d", &major, &minor, &patch), 3);
    EXPECT_GE(major, 0);
}

}  // namespace
