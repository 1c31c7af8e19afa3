#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/HostPlatform.h"
#include "host/HostWindow.h"
#include "platform/EventLoop.h"

// A stand-in platform for the host's rules: windows, messages and timers run
// on a private event loop; everything else is scripted by the test, and every
// call that matters is written to Calls in order.
class TFakeHostPlatform : public IHostPlatform {
public:
    // Scripted answers.
    bool Win9x = false;
    TPoint Cursor;
    THostWindow ExistingSaver = 0;
    THostWindow Embedding = 0;   // the window a screen-saver daemon names
    std::map<THostWindow, std::pair<int32_t, int32_t>> ClientRects;
    int32_t ScreenWidth = 1024;
    int32_t ScreenHeight = 768;
    bool ClassRegisters = true;
    bool DesktopKeyOpens = true;
    std::vector<uint8_t> UsePasswordValue;   // empty: the value is missing
    bool LibraryLoads = true;
    bool HasVerifyEntry = true;
    int32_t VerifyAnswer = 0;
    bool TimerAccepted = true;
    std::function<void()> LoopBody;   // what the message loop does; default: run the loop

    // What happened.
    std::vector<std::string> Calls;
    std::vector<TMsg> Posted;
    THostWindowParams Created;
    int DefaultHandled = 0;
    int HiddenCursor = 0;
    bool CheckingDuringVerify = false;

    TEventLoop Loop;
    THostWindow NextWindow = 500;

    bool RegisterClass(const std::string& className) override
    {
        Calls.push_back("RegisterClass " + className);
        return ClassRegisters;
    }
    THostWindow FindWindow(const std::string& className, const std::string& title) override
    {
        Calls.push_back("FindWindow " + className + "/" + title);
        return ExistingSaver;
    }
    bool GetClientRect(THostWindow window, int32_t& right, int32_t& bottom) override
    {
        auto found = ClientRects.find(window);
        if (found == ClientRects.end())
            return false;
        right = found->second.first;
        bottom = found->second.second;
        return true;
    }
    void GetScreenSize(int32_t& width, int32_t& height) override
    {
        width = ScreenWidth;
        height = ScreenHeight;
    }
    THostWindow EmbeddingWindow() override { return Embedding; }
    THostWindow CreateWindow(const THostWindowParams& params) override
    {
        Calls.push_back("CreateWindow " + params.Title);
        Created = params;
        const THostWindow window = NextWindow++;
        Loop.RegisterWindow(window, 0, HostWindowProc);
        // As CreateWindowEx: a refused WM_CREATE destroys the window, WM_DESTROY included.
        if (Loop.SendMessage(window, WM_CREATE, 0, 0) == -1) {
            Calls.push_back("creation refused");
            Loop.DestroyWindow(window);
            return 0;
        }
        return window;
    }
    void SetForegroundWindow(THostWindow) override { Calls.push_back("SetForegroundWindow"); }
    void RunMessageLoop() override
    {
        Calls.push_back("RunMessageLoop");
        if (LoopBody)
            LoopBody();
        else
            Loop.Run();
    }

    TPoint GetCursorPos() override { return Cursor; }
    void PostMessage(THostWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        Posted.push_back(TMsg{window, message, wParam, lParam});
        Loop.PostMessage(window, message, wParam, lParam);
    }
    void PostQuitMessage(int32_t exitCode) override
    {
        Calls.push_back("PostQuitMessage " + std::to_string(exitCode));
        Loop.PostQuitMessage(exitCode);
    }
    intptr_t DefWindowProc(THostWindow window, uint32_t message, uintptr_t, intptr_t) override
    {
        ++DefaultHandled;
        if (message == WM_CLOSE)
            Loop.DestroyWindow(window);
        return 0;
    }
    void HideCursor(THostWindow) override { ++HiddenCursor; }
    void SetWindowTopmost(THostWindow, bool topmost) override
    {
        Calls.push_back(topmost ? "Topmost on" : "Topmost off");
    }
    bool SetTimer(THostWindow window, uintptr_t id, uint32_t intervalMs) override
    {
        Calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(intervalMs));
        return TimerAccepted && Loop.SetTimer(window, id, intervalMs);
    }
    void KillTimer(THostWindow window, uintptr_t id) override
    {
        Calls.push_back("KillTimer " + std::to_string(id));
        Loop.KillTimer(window, id);
    }
    bool RemoveTimerMessage(THostWindow window) override
    {
        TMsg msg;
        return Loop.PeekMessage(msg, window, WM_TIMER, WM_TIMER, true);
    }

    bool IsWin9xFamily() override { return Win9x; }
    void SystemParametersInfo(uint32_t action, uint32_t param) override
    {
        Calls.push_back("SystemParametersInfo " + std::to_string(action) + " " + std::to_string(param));
    }
    bool OpenDesktopKey() override
    {
        Calls.push_back("OpenDesktopKey");
        return DesktopKeyOpens;
    }
    bool QueryDesktopValue(const std::string& name, uint8_t* buffer, uint32_t size) override
    {
        Calls.push_back("Query " + name);
        if (UsePasswordValue.empty() || UsePasswordValue.size() > size)
            return false;
        for (size_t i = 0; i < UsePasswordValue.size(); ++i)
            buffer[i] = UsePasswordValue[i];
        return true;
    }
    void CloseDesktopKey() override { Calls.push_back("CloseDesktopKey"); }
    TLibraryHandle LoadLibrary(const std::string& name) override
    {
        Calls.push_back("LoadLibrary " + name);
        return LibraryLoads ? 77 : 0;
    }
    TVerifyScreenSavePwd GetVerifyEntry(TLibraryHandle, const std::string& name) override
    {
        Calls.push_back("GetVerifyEntry " + name);
        if (!HasVerifyEntry)
            return {};
        return [this](THostWindow) {
            Calls.push_back("Verify");
            CheckingDuringVerify = CheckingPassword;
            return VerifyAnswer;
        };
    }
    void FreeLibrary(TLibraryHandle library) override { Calls.push_back("FreeLibrary " + std::to_string(library)); }
};
