#include <gtest/gtest.h>

#include "platform/MonitorChoice.h"

namespace {

bool Same(const TScreenArea& a, const TScreenArea& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

const TScreenArea Whole{0, 0, 3840, 1200};
const TScreenArea Left{0, 0, 1920, 1200};
const TScreenArea Right{1920, 120, 1920, 1080};

TEST(MonitorAround, EachMonitorsWindowGetsItsOwnMonitor)
{
    // XScreenSaver's window per monitor, and a preview pane on the right one.
    EXPECT_TRUE(Same(MonitorAround(Left, {Left, Right}, Whole), Left));
    EXPECT_TRUE(Same(MonitorAround(Right, {Left, Right}, Whole), Right));
    EXPECT_TRUE(Same(MonitorAround({2500, 400, 320, 240}, {Left, Right}, Whole), Right));
    // The centre decides for a window across the seam that fits one monitor.
    EXPECT_TRUE(Same(MonitorAround({1800, 300, 400, 300}, {Left, Right}, Whole), Right));
}

TEST(MonitorAround, WindowsOverSeveralMonitorsOrNoKnownMonitorGetTheWholeScreen)
{
    EXPECT_TRUE(Same(MonitorAround(Whole, {Left, Right}, Whole), Whole));
    EXPECT_TRUE(Same(MonitorAround({0, 0, 1920, 1201}, {Left, Right}, Whole), Whole));
    EXPECT_TRUE(Same(MonitorAround({100, 100, 320, 240}, {}, Whole), Whole));
    // A centre in a gap between monitors, or off every one.
    EXPECT_TRUE(Same(MonitorAround({1920, 0, 200, 100}, {Left, Right}, Whole), Whole));
    EXPECT_TRUE(Same(MonitorAround({-900, -900, 100, 100}, {Left, Right}, Whole), Whole));
}

}
