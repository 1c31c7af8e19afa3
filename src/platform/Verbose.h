#pragma once

// Whether the user asked for the saver's diagnostic lines on standard error
// (which renderer draws, why the chime is silent). A saver runs unattended and
// XScreenSaver logs whatever its hacks print, so by default it says nothing.
// Asked by TESSALY_VERBOSE=1 in the environment.
bool VerboseOutput();
