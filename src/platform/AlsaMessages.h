#pragma once

// ALSA's library prints its own diagnostics on standard error ("ALSA lib
// ...") whenever a device or the sequencer cannot be opened, which on a
// machine without a sound card is every start. The saver reports through
// its own failures instead, so those lines are dropped. Call before anything
// opens ALSA (SDL's audio loads the same library and is covered too).
void SilenceAlsaMessages();
