#pragma once

// Makes the calling thread yield the processor to the process's other threads
// when both want it: background work that must not slow the user-interface
// thread down. Where the system cannot do that, nothing changes.
void LowerThreadPriority();
