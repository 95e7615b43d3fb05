#include <gtest/gtest.h>

#include "core/app/Presentation.h"

namespace qor {
namespace {

TEST(Presentation, StartsInTheOfflineLookWithTheProgramVersion) {
    Presentation p;
    EXPECT_FALSE(p.main.dashboardOnlineLook);
    EXPECT_TRUE(p.main.offlineHintsVisible);
    EXPECT_EQ(p.main.commErrorsCaption, "COM port");
    EXPECT_EQ(p.splash.version, "1.03");
    EXPECT_EQ(p.dashboard.values[0], "0");
}

}  // namespace
}  // namespace qor
