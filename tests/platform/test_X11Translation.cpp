#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "platform/Messages.h"
#include "platform/x11/KeyCodes.h"
#include "platform/x11/WindowId.h"

namespace {

TEST(X11Keys, KeysTheSceneAndHostLookAtHaveTheirVirtualCodes)
{
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Escape), 27u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), 13u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Enter), 13u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_L), VK_MENU);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_R), VK_MENU);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_a), VK_A);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Z), VK_A + 25);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_7), VK_0 + 7);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F12), VK_F1 + 11);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Left), VK_LEFT);
}

TEST(X11Keys, UnknownKeysStillCountAsKeys)
{
    EXPECT_EQ(VirtualKeyFromKeysym(XK_eacute), VK_OEM_UNKNOWN);
    EXPECT_EQ(VirtualKeyFromKeysym(0), VK_OEM_UNKNOWN);
}

TEST(X11WindowId, HexadecimalAfterPrefixOrDecimalAndNothingElse)
{
    EXPECT_EQ(ParseWindowId("0x1e00007"), 0x1e00007ul);
    EXPECT_EQ(ParseWindowId("0X1E00007"), 0x1e00007ul);
    EXPECT_EQ(ParseWindowId("31457287"), 31457287ul);
    for (const char* bad : {"", "0x", "0", "-5", "12ab", " 12", "0x12 ", "x12", "0xfffffffffffffffff"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseWindowId(bad));
    }
}

}
