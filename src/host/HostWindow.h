#pragma once
#include <string>

#include "host/SaverTypes.h"

// Runs the host window of the preview and full-screen modes until it is gone.
// secondArgument is the command line's second argument (the preview's parent).
void RunHost(const TSaverCallbacks& callbacks, TSaverMode mode, const std::string& secondArgument);
