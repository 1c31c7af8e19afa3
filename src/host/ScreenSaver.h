#pragma once
#include <string>

#include "host/SaverTypes.h"

using THostRunner = void (*)(const TSaverCallbacks& callbacks, TSaverMode mode, const std::string& secondArgument);

// Chooses the mode from the command line, runs it and returns it. Errors
// (a preview parent that is no number, a failing set-up) leave it as
// exceptions for the entry to report.
TSaverMode RunScreenSaver(const TSaverCallbacks& callbacks);
// The same with the host window replaced, so the dispatch can be watched.
TSaverMode RunScreenSaver(const TSaverCallbacks& callbacks, THostRunner runHost);
