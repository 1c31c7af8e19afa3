#pragma once
#include <cstddef>

// Asks the system to back the whole 2 MB stretches of [memory, memory +
// bytes) with large pages where it can. A source read row by row across
// several megabytes touches a new small page every row, and looking each
// up again costs as much as the copy; a few large pages hold it all.
// Nothing happens where the system has no such advice.
void AdviseLargePages(const void* memory, size_t bytes);
