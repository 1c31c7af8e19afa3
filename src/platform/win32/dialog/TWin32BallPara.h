#pragma once
#include <array>
#include <string>

#include "platform/win32/Windows.h"
#include "settings/form/IBallParaView.h"
#include "settings/form/TBallParaController.h"

// The settings dialog on the Win32 common controls: the form table's controls
// as windows, each user event handed to the shared handlers, and the view
// those handlers fill.
class TWin32BallPara final : public IBallParaView {
public:
    explicit TWin32BallPara(const TBallSettings& settings);
    ~TWin32BallPara() override;
    TWin32BallPara(const TWin32BallPara&) = delete;
    TWin32BallPara& operator=(const TWin32BallPara&) = delete;

    // Shows the dialog and runs its messages until it closes.
    void Run();

    void SetCaption(std::string_view text) override;
    void SetEnabled(TBallParaControl control, bool enabled) override;
    void SetChecked(TBallParaControl control, bool checked) override;
    bool Checked(TBallParaControl control) const override;
    void SetItemIndex(TBallParaControl control, int index) override;
    int ItemIndex(TBallParaControl control) const override;
    void SetPosition(TBallParaControl control, int value) override;
    int Position(TBallParaControl control) const override;
    void AddListEntries(TBallParaControl list, const TStringList& entries) override;
    void DeleteListEntry(TBallParaControl list, int index) override;
    void SelectListEntry(TBallParaControl list, int index) override;
    int SelectedListEntry(TBallParaControl list) const override;
    int ListTextWidth(TBallParaControl list, std::string_view text) const override;
    int ListWidth(TBallParaControl list) const override;
    void SetListScrollExtent(TBallParaControl list, int extent) override;
    void ShowPreview(TBallParaControl image, const TDIB& picture) override;
    void ClearPreview(TBallParaControl image) override;
    std::optional<TDIB> DecodePlatformPicture(const std::string& path, std::string_view extension) override;
    TStringList ChoosePictureFiles(std::string_view filter, bool multiSelect) override;
    void ShowError(std::string_view text) override;
    void ShowNotice(std::string_view text) override;
    void Beep() override;
    void Close(bool saved) override;

private:
    struct TPlace {
        HWND Parent = nullptr;
        RECT Bounds{};   // in the parent window's client area
    };

    void CreateForm();
    void CreateControls();
    HWND CreateControl(const TFormControl& row);
    void LayBeneathSiblings();
    TPlace PlaceOf(const TFormControl& row) const;
    HWND Window(TBallParaControl control) const { return mWindows[static_cast<size_t>(control)]; }
    void ShowPage(int page);

    LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Command(int id, int code);
    LRESULT Notify(const NMHDR& header);
    bool SpinMessage(TBallParaControl field, UINT message, WPARAM wParam);

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SpinFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self);
    static LRESULT CALLBACK DeleteButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR self);

    TBallParaController mController;
    HWND mForm = nullptr;
    std::array<HWND, kBallParaControlCount> mWindows{};
    std::array<HWND, kBallParaControlCount> mUpDowns{};    // the buttons of the spin fields
    std::array<int, kBallParaControlCount> mSpinValues{};
    std::array<HBITMAP, kBallParaControlCount> mGlyphs{};
    HFONT mFont = nullptr;
    HFONT mMarkFont = nullptr;
    int mFontHeight = 0;   // text height of the form's font, for a group box's client area
    bool mClosing = false;
};

// Runs the settings dialog on the loaded settings record until it closes.
void RunWin32SettingsDialog();
// An error that ends settings mode, in the system's error box.
void ShowWin32SettingsError(const std::string& text);
