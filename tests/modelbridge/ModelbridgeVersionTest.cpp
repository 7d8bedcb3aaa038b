#include <gtest/gtest.h>

#include <cstring>

#include "modelbridge/Modelbridge.h"
#include "sheetlink/Sheetlink.h"

namespace {

TEST(Modelbridge, ShipsWithTheSameVersionAsItsPeers) {
    EXPECT_STREQ(Modelbridge_Version(), Sheetlink_Version());
}

}  // namespace
