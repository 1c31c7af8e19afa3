#include "host/HostWindow.h"

void RunHost(const TSaverCallbacks&, TSaverMode, const std::string&) {}
