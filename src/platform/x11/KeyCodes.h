#pragma once
#include <cstdint>

// The virtual-key code of an X keysym (the key's unshifted symbol); keys with
// no code of their own give VK_OEM_UNKNOWN, never 0, so every key is a key.
uint32_t VirtualKeyFromKeysym(unsigned long keysym);
