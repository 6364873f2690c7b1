#include "controls/ui/BusyCursor.h"

#include "scene/WorkTick.h"

#include <QApplication>
#include <QCursor>

#include <gtest/gtest.h>

namespace kelvane {
namespace {

using namespace std::chrono_literals;

int OverrideDepth()
{
    int depth = 0;
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
        ++depth;
    }
    for (int i = 0; i < depth; ++i)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    return depth;
}

TEST(BusyCursor, ShownOnceTheDelayHasPassedUntilTheGuardEnds)
{
    {
        TBusyCursor quick(0ms);
        EXPECT_EQ(OverrideDepth(), 0);  // nothing before the work ticks or the loop runs
        {
            TBusyCursor slow(1h);
            WorkTick();                  // reaches the innermost guard only
            EXPECT_FALSE(slow.Shown());
            EXPECT_FALSE(quick.Shown());
        }
        WorkTick();
        WorkTick();
        EXPECT_TRUE(quick.Shown());
        EXPECT_EQ(OverrideDepth(), 1);
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    }
    EXPECT_EQ(OverrideDepth(), 0);
    // The hook is gone with the last guard.
    EXPECT_EQ(SetWorkTickHook(nullptr), nullptr);
}

} // namespace
} // namespace kelvane
