#include "platform/win32/dialog/TWin32BallPara.h"

#include "platform/win32/Wide.h"

void RunWin32SettingsDialog()
{
    TWin32BallPara dialog(BallSettings);
    dialog.Run();
}

void ShowWin32SettingsError(const std::string& text)
{
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"Tessaly", MB_OK | MB_ICONERROR);
}
