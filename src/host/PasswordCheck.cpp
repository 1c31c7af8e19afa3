#include "host/PasswordCheck.h"

#include "host/HostWindow.h"

namespace {
constexpr char PasswordLibraryName[] = "PASSWORD.CPL";
constexpr char VerifyEntryName[] = "VerifyScreenSavePwd";
constexpr char UsePasswordValue[] = "ScreenSaveUsePassword";
constexpr uint32_t UsePasswordSize = 4;
constexpr int32_t NoCheck = -1;
constexpr uint32_t AllBits = 0xFFFFFFFF;
}

TLibraryHandle PasswordLibrary = 0;
TVerifyScreenSavePwd VerifyPassword;

void LoadPasswordCheck()
{
    IHostPlatform& platform = *HostPlatform;
    if (!platform.IsWin9xFamily())
        return;
    if (PasswordLibrary)
        FreePasswordCheck();
    if (!platform.OpenDesktopKey())
        return;
    // Zeroed first: a value stored with fewer bytes still reads as a number.
    uint8_t buffer[UsePasswordSize] = {};
    if (platform.QueryDesktopValue(UsePasswordValue, buffer, UsePasswordSize)) {
        const uint32_t usePassword = buffer[0] | buffer[1] << 8 | buffer[2] << 16 | static_cast<uint32_t>(buffer[3]) << 24;
        if (usePassword != 0) {
            PasswordLibrary = platform.LoadLibrary(PasswordLibraryName);
            if (PasswordLibrary) {
                VerifyPassword = platform.GetVerifyEntry(PasswordLibrary, VerifyEntryName);
                if (VerifyPassword)
                    SetSaverRunning(true);
                else
                    FreePasswordCheck();
            }
        }
    }
    platform.CloseDesktopKey();
}

void FreePasswordCheck()
{
    IHostPlatform& platform = *HostPlatform;
    if (!platform.IsWin9xFamily() || !PasswordLibrary)
        return;
    platform.FreeLibrary(PasswordLibrary);
    PasswordLibrary = 0;
    VerifyPassword = nullptr;
    SetSaverRunning(false);
}

int32_t CheckPassword(THostWindow window)
{
    if (!VerifyPassword)
        return NoCheck;
    IHostPlatform& platform = *HostPlatform;
    CheckingPassword = true;
    // The platform's dialog must come up above the saver.
    platform.SetWindowTopmost(window, false);
    const int32_t result = VerifyPassword(window);
    platform.SetWindowTopmost(window, true);
    CheckingPassword = false;
    return result;
}

void SetSaverRunning(bool on) { HostPlatform->SystemParametersInfo(SPI_SCREENSAVERRUNNING, on ? AllBits : 0); }
