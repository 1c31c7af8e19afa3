#include "platform/Verbose.h"

#include <cstdlib>
#include <cstring>

bool VerboseOutput()
{
    const char* value = std::getenv("TESSALY_VERBOSE");
    return value && *value && std::strcmp(value, "0") != 0;
}
