#include "host/HostWindow.h"

#include "host/CommandLine.h"

void RunHost(const TSaverCallbacks&, TSaverMode mode, const std::string& secondArgument)
{
    if (mode == smPreview)
        StrToInt(secondArgument);
}
