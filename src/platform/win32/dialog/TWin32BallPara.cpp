#include "platform/win32/dialog/TWin32BallPara.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Wide.h"
#include "platform/win32/dialog/ControlIds.h"
#include "platform/win32/dialog/PictureFileDialog.h"
#include "platform/win32/dialog/PlatformPictures.h"
#include "platform/win32/dialog/PreviewImage.h"
#include "settings/BallParaRules.h"

// The dialog's messages, handed to the shared handlers, and the view they fill.

namespace {

using enum TBallParaControl;
using enum TControlKind;

const wchar_t* const kBoxTitle = L"Tessaly";
constexpr UINT kFormShown = WM_APP + 1;    // the form is on screen: FormShow
constexpr UINT kFormClose = WM_APP + 2;    // the handlers asked to close

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageW(window, message, wParam, lParam);
}

bool IsSpin(TBallParaControl control)
{
    return FormControl(control).Kind == SpinField;
}

TWin32BallPara* Self(HWND window)
{
    return reinterpret_cast<TWin32BallPara*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void KeepSelf(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
}

std::optional<TSpinKey> SpinKeyOf(UINT message, WPARAM wParam)
{
    constexpr WPARAM kSelectAll = 1;   // Ctrl+A
    constexpr WPARAM kCopy = 3;        // Ctrl+C
    switch (message) {
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_UP:
            return TSpinKey::LineUp;
        case VK_DOWN:
            return TSpinKey::LineDown;
        case VK_PRIOR:
            return TSpinKey::PageUp;
        case VK_NEXT:
            return TSpinKey::PageDown;
        case VK_DELETE:
            return TSpinKey::Refused;
        case VK_INSERT:   // Shift+Insert pastes
            return GetKeyState(VK_SHIFT) < 0 ? std::optional(TSpinKey::Refused) : std::nullopt;
        default:
            return std::nullopt;   // caret keys; characters come as WM_CHAR
        }
    case WM_CHAR:
        return wParam == kSelectAll || wParam == kCopy ? std::nullopt : std::optional(TSpinKey::Refused);
    case WM_IME_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
        return TSpinKey::Refused;
    default:
        return std::nullopt;
    }
}

} // namespace

TWin32BallPara::TWin32BallPara(const TBallSettings& settings)
    : mController(*this, settings)
{
    CreateForm();
    CreateControls();
    mController.FormCreate();
}

TWin32BallPara::~TWin32BallPara()
{
    if (mForm)
        DestroyWindow(mForm);
    for (HBITMAP glyph : mGlyphs)
        if (glyph)
            DeleteObject(glyph);
    DeleteObject(mMarkFont);
    DeleteObject(mFont);
}

void TWin32BallPara::ShowPage(int page)
{
    int index = 0;
    for (const TFormControl& row : BallParaControls())
        if (row.Kind == TabSheet)
            ShowWindow(Window(row.Id), index++ == page ? SW_SHOW : SW_HIDE);
}

void TWin32BallPara::Run()
{
    ShowWindow(mForm, SW_SHOW);
    UpdateWindow(mForm);
    SetForegroundWindow(mForm);
    SetFocus(Window(PageControl1));
    PostMessageW(mForm, kFormShown, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in any tabbed dialog.
        if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0
            && IsChild(mForm, message.hwnd)) {
            HWND tabs = Window(PageControl1);
            const int count = static_cast<int>(Send(tabs, TCM_GETITEMCOUNT));
            const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
            const int page = (static_cast<int>(Send(tabs, TCM_GETCURSEL)) + step) % count;
            Send(tabs, TCM_SETCURSEL, page);
            ShowPage(page);
            continue;
        }
        if (mForm && IsDialogMessageW(mForm, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK TWin32BallPara::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    KeepSelf(window, message, lParam);
    TWin32BallPara* self = Self(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->mForm = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->FormMessage(window, message, wParam, lParam);
}

LRESULT CALLBACK TWin32BallPara::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    KeepSelf(window, message, lParam);
    // What the controls on a page tell their parent is for the form.
    if (TWin32BallPara* self = Self(window))
        if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_HSCROLL)
            return self->FormMessage(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32BallPara::FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (!mClosing && Command(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    case WM_NOTIFY:
        return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == Window(tbBallSize))
            mController.tbBallSizeChange();
        return 0;
    case kFormShown:
        mController.FormShow();
        return 0;
    case kFormClose:
        DestroyWindow(mForm);
        return 0;
    case WM_CLOSE:
        // The close box: the dialog ends without saving.
        Close(false);
        return 0;
    case WM_DESTROY:
        mController.FormClose();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool TWin32BallPara::Command(int id, int code)
{
    if (id == IDCANCEL) {   // Escape
        mController.btnCancelClick();
        return true;
    }
    const int row = id - kFirstControlId;
    if (row < 0 || row >= kBallParaControlCount)
        return false;
    const auto control = static_cast<TBallParaControl>(row);
    switch (control) {
    case btnOk:
        if (code == BN_CLICKED)
            mController.btnOkClick();
        return true;
    case btnCancel:
        if (code == BN_CLICKED)
            mController.btnCancelClick();
        return true;
    case rbDefault:
    case rbUser:
    case rbDesk:
        if (code == BN_CLICKED)
            mController.rbDefaultClick(control);
        return true;
    case btnBack:
        if (code == BN_CLICKED)
            mController.btnBackClick();
        return true;
    case btnDeleteBack:
        if (code == BN_CLICKED)
            mController.btnDeleteBackClick();
        return true;
    case btnBall:
        if (code == BN_CLICKED)
            mController.btnBallClick();
        return true;
    case SpeedButton1:
        if (code == BN_CLICKED)
            mController.SpeedButton1Click();
        return true;
    case Label14:
        if (code == STN_DBLCLK)
            mController.Label14DblClick();
        return true;
    case edtBack:
        if (code == LBN_SELCHANGE)
            mController.edtBackClick();
        return true;
    case lstBalls:
        if (code == LBN_SELCHANGE)
            mController.lstBallsClick();
        return true;
    case cbDriver:
        if (code == CBN_SELCHANGE)
            mController.cbDriverChange();
        return true;
    default:
        return false;
    }
}

LRESULT TWin32BallPara::Notify(const NMHDR& header)
{
    if (header.hwndFrom == Window(PageControl1) && header.code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(Send(header.hwndFrom, TCM_GETCURSEL)));
        return 0;
    }
    if (header.code == UDN_DELTAPOS && !mClosing) {
        for (size_t i = 0; i < mUpDowns.size(); ++i) {
            if (mUpDowns[i] && mUpDowns[i] == header.hwndFrom) {
                const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
                mController.SpinStep(static_cast<TBallParaControl>(i), change.iDelta);
                return TRUE;   // the field's value is ours, not the buttons'
            }
        }
    }
    return 0;
}

bool TWin32BallPara::SpinMessage(TBallParaControl field, UINT message, WPARAM wParam)
{
    if (mClosing)
        return false;
    if (message == WM_CONTEXTMENU)   // its Paste, Cut and Delete would only beep
        return true;
    if (message == WM_MOUSEWHEEL) {
        mController.SpinWheel(field, GET_WHEEL_DELTA_WPARAM(wParam), (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0);
        return true;
    }
    if (const std::optional<TSpinKey> key = SpinKeyOf(message, wParam)) {
        mController.SpinKey(field, *key);
        return true;
    }
    return false;
}

LRESULT CALLBACK TWin32BallPara::SpinFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                               DWORD_PTR self)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, SpinFieldProc, id);
    else if (reinterpret_cast<TWin32BallPara*>(self)->SpinMessage(static_cast<TBallParaControl>(id), message, wParam))
        return 0;
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TWin32BallPara::DeleteButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR id, DWORD_PTR self)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, DeleteButtonProc, id);
    else if (message == WM_MOUSEMOVE && !reinterpret_cast<TWin32BallPara*>(self)->mClosing)
        reinterpret_cast<TWin32BallPara*>(self)->mController.btnDeleteBackMouseMove((wParam & MK_LBUTTON) != 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

void TWin32BallPara::SetCaption(std::string_view text)
{
    SetWindowTextW(mForm, Utf8ToWide(text).c_str());
}

void TWin32BallPara::SetEnabled(TBallParaControl control, bool enabled)
{
    EnableWindow(Window(control), enabled);
    if (HWND buttons = mUpDowns[static_cast<size_t>(control)])
        EnableWindow(buttons, enabled);
}

void TWin32BallPara::SetChecked(TBallParaControl control, bool checked)
{
    const TFormControl& row = FormControl(control);
    if (checked && row.Kind == RadioButton)
        for (const TFormControl& other : BallParaControls())
            if (other.Kind == RadioButton && other.Parent == row.Parent && other.Id != control)
                Send(Window(other.Id), BM_SETCHECK, BST_UNCHECKED);
    Send(Window(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool TWin32BallPara::Checked(TBallParaControl control) const
{
    return Send(Window(control), BM_GETCHECK) == BST_CHECKED;
}

void TWin32BallPara::SetItemIndex(TBallParaControl control, int index)
{
    Send(Window(control), CB_SETCURSEL, static_cast<WPARAM>(index));
}

int TWin32BallPara::ItemIndex(TBallParaControl control) const
{
    const LRESULT index = Send(Window(control), CB_GETCURSEL);
    return index == CB_ERR ? kNoSelection : static_cast<int>(index);
}

void TWin32BallPara::SetPosition(TBallParaControl control, int value)
{
    if (!IsSpin(control)) {
        Send(Window(control), TBM_SETPOS, TRUE, value);
        return;
    }
    const size_t index = static_cast<size_t>(control);
    mSpinValues[index] = value;
    SetWindowTextW(Window(control), std::to_wstring(value).c_str());
    Send(mUpDowns[index], UDM_SETPOS32, 0, value);
    Send(Window(control), EM_SETSEL, 0, -1);
}

int TWin32BallPara::Position(TBallParaControl control) const
{
    if (IsSpin(control))
        return mSpinValues[static_cast<size_t>(control)];
    return static_cast<int>(Send(Window(control), TBM_GETPOS));
}

void TWin32BallPara::AddListEntries(TBallParaControl list, const TStringList& entries)
{
    for (const std::string& entry : entries)
        Send(Window(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(entry).c_str()));
}

void TWin32BallPara::DeleteListEntry(TBallParaControl list, int index)
{
    Send(Window(list), LB_DELETESTRING, static_cast<WPARAM>(index));
}

void TWin32BallPara::SelectListEntry(TBallParaControl list, int index)
{
    Send(Window(list), LB_SETCURSEL, static_cast<WPARAM>(index));
}

int TWin32BallPara::SelectedListEntry(TBallParaControl list) const
{
    const LRESULT index = Send(Window(list), LB_GETCURSEL);
    return index == LB_ERR ? kNoSelection : static_cast<int>(index);
}

int TWin32BallPara::ListTextWidth(TBallParaControl list, std::string_view text) const
{
    HWND window = Window(list);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(window, WM_GETFONT)));
    const std::wstring wide = Utf8ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

int TWin32BallPara::ListWidth(TBallParaControl list) const
{
    RECT bounds{};
    GetWindowRect(Window(list), &bounds);
    return bounds.right - bounds.left;
}

void TWin32BallPara::SetListScrollExtent(TBallParaControl list, int extent)
{
    Send(Window(list), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(std::max(extent, 0)));
}

void TWin32BallPara::ShowPreview(TBallParaControl image, const TDIB& picture)
{
    TPreviewImage::Show(Window(image), picture);
}

void TWin32BallPara::ClearPreview(TBallParaControl image)
{
    TPreviewImage::Clear(Window(image));
}

std::optional<TDIB> TWin32BallPara::DecodePlatformPicture(const std::string& path, std::string_view extension)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    return DecodeWithGdi(path, extension, uint32_t(GetRValue(face)) << 16 | GetGValue(face) << 8 | GetBValue(face));
}

TStringList TWin32BallPara::ChoosePictureFiles(std::string_view filter, bool multiSelect)
{
    return ::ChoosePictureFiles(mForm, filter, multiSelect);
}

void TWin32BallPara::ShowError(std::string_view text)
{
    MessageBoxW(mForm, Utf8ToWide(text).c_str(), kBoxTitle, MB_OK | MB_ICONERROR);
}

void TWin32BallPara::ShowNotice(std::string_view text)
{
    MessageBoxW(mForm, Utf8ToWide(text).c_str(), kBoxTitle, MB_OK | MB_ICONWARNING);
}

void TWin32BallPara::Beep()
{
    MessageBeep(MB_OK);
}

void TWin32BallPara::Close(bool)
{
    // Closed once the handler that asked has returned, not under its feet.
    if (mClosing || !mForm)
        return;
    mClosing = true;
    PostMessageW(mForm, kFormClose, 0, 0);
}
