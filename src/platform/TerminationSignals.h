#pragma once

class TEventLoop;

// SIGTERM, SIGINT and SIGHUP end the program the way closing its window does:
// the signal only asks `loop` to end (TEventLoop::RequestTerminate), and the
// loop's own thread does the rest. Installing again moves them to `loop`.
void InstallTerminationSignals(TEventLoop& loop);
// Back to the system's default actions.
void RemoveTerminationSignals();
