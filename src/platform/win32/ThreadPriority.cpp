#include "platform/ThreadPriority.h"

#include "platform/win32/Windows.h"

void LowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }
