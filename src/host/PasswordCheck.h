#pragma once
#include <cstdint>

#include "host/HostPlatform.h"
#include "host/SaverTypes.h"

// The screen-saver password of the Windows 9x family, asked before the
// full-screen saver lets itself be closed. Elsewhere every operation here
// finds no check and lets a close request through.

constexpr uint32_t SPI_SCREENSAVERRUNNING = 97;

extern TLibraryHandle PasswordLibrary;
extern TVerifyScreenSavePwd VerifyPassword;

void LoadPasswordCheck();
void FreePasswordCheck();
// The platform dialog's answer, non-zero when accepted; -1 without a check.
int32_t CheckPassword(THostWindow window);
void SetSaverRunning(bool on);
