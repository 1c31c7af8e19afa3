#include "platform/ThreadPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Nice steps added to the thread's own; 10 leaves it about a tenth of the
// processor time of a thread at the usual level.
constexpr int BackgroundNiceness = 10;

}

void LowerThreadPriority()
{
    // On Linux the "process" of setpriority may be a single thread's id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno != 0)
        return;
    setpriority(PRIO_PROCESS, thread, current + BackgroundNiceness);
}
