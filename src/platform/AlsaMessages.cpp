#include "platform/AlsaMessages.h"

#include <alsa/asoundlib.h>

namespace {

void DropMessage(const char*, int, const char*, int, const char*, ...) {}

}

void SilenceAlsaMessages() { snd_lib_error_set_handler(DropMessage); }
