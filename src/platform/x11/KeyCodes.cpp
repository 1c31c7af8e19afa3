#include "platform/x11/KeyCodes.h"

#include <X11/keysym.h>

#include "platform/Messages.h"

namespace {

struct TKeyPair {
    unsigned long Keysym;
    uint32_t VirtualKey;
};

constexpr TKeyPair NamedKeys[] = {
    {XK_BackSpace, VK_BACK},   {XK_Tab, VK_TAB},           {XK_ISO_Left_Tab, VK_TAB},
    {XK_Return, VK_RETURN},    {XK_KP_Enter, VK_RETURN},   {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},      {XK_Shift_L, VK_SHIFT},     {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL}, {XK_Control_R, VK_CONTROL}, {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},       {XK_Meta_L, VK_MENU},       {XK_Meta_R, VK_MENU},
    {XK_ISO_Level3_Shift, VK_MENU}, {XK_Super_L, VK_LWIN}, {XK_Super_R, VK_LWIN + 1},
    {XK_Pause, VK_PAUSE},      {XK_Caps_Lock, VK_CAPITAL}, {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL}, {XK_Prior, VK_PRIOR},     {XK_Next, VK_NEXT},
    {XK_End, VK_END},          {XK_Home, VK_HOME},         {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},            {XK_Right, VK_RIGHT},       {XK_Down, VK_DOWN},
    {XK_Insert, VK_INSERT},    {XK_Delete, VK_DELETE},
};

}

uint32_t VirtualKeyFromKeysym(unsigned long keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return VK_A + static_cast<uint32_t>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return VK_A + static_cast<uint32_t>(keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9)
        return VK_0 + static_cast<uint32_t>(keysym - XK_0);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return VK_NUMPAD0 + static_cast<uint32_t>(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return VK_F1 + static_cast<uint32_t>(keysym - XK_F1);
    for (const TKeyPair& pair : NamedKeys)
        if (pair.Keysym == keysym)
            return pair.VirtualKey;
    return VK_OEM_UNKNOWN;
}
