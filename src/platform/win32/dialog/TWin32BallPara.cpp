#include "platform/win32/dialog/TWin32BallPara.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Wide.h"
#include "platform/win32/dialog/GlyphBitmap.h"
#include "platform/win32/dialog/ControlIds.h"
#include "platform/win32/dialog/DialogFont.h"
#include "platform/win32/dialog/PictureFileDialog.h"
#include "platform/win32/dialog/PlatformPictures.h"
#include "platform/win32/dialog/PreviewImage.h"
#include "settings/BallParaRules.h"

namespace {

using enum TBallParaControl;
using enum TControlKind;

const wchar_t* const kBoxTitle = L"Tessaly";
constexpr UINT kFormShown = WM_APP + 1;    // the form is on screen: FormShow
constexpr UINT kFormClose = WM_APP + 2;    // the handlers asked to close
constexpr int kUpDownIdOffset = 500;       // the buttons of a spin field, beside its row's id
constexpr int kDropDownRows = 12;          // items a drop-down list shows at once
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageW(window, message, wParam, lParam);
}

RECT ToRect(const TControlBounds& bounds)
{
    return {bounds.Left, bounds.Top, bounds.Left + bounds.Width, bounds.Top + bounds.Height};
}

bool IsContainer(TControlKind kind)
{
    return kind == Bevel || kind == GroupBox;
}

bool IsSpin(TBallParaControl control)
{
    return FormControl(control).Kind == SpinField;
}

// Every text the form shows, for the choice of its face.
std::wstring FormTexts()
{
    std::string texts{kBallParaCaption};
    texts += kBallParaForm.DesignCaption;
    for (const TFormControl& row : BallParaControls()) {
        texts += row.Caption;
        for (std::string_view item : row.Items)
            texts += item;
    }
    return Utf8ToWide(texts);
}

struct TWindowClass {
    const wchar_t* Name;
    WNDPROC Procedure;
};

void Register(const TWindowClass& windowClass)
{
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = windowClass.Procedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    description.lpszClassName = windowClass.Name;
    if (windowClass.Name == kSettingsFormClass)
        description.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    RegisterClassExW(&description);
}

// The tab control's display area, where its pages lie, in its parent's client area.
RECT PageArea(HWND tabs)
{
    RECT area{};
    GetClientRect(tabs, &area);
    Send(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(tabs, GetParent(tabs), reinterpret_cast<POINT*>(&area), 2);
    return area;
}

// The pages lie beneath the tab control, so it must leave their area alone
// when it erases and paints.
LRESULT CALLBACK TabsProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    const auto leavePages = [tabs](HDC dc) {
        RECT area{};
        GetClientRect(tabs, &area);
        Send(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    };
    switch (message) {
    case WM_ERASEBKGND:
        leavePages(reinterpret_cast<HDC>(wParam));
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(tabs, &paint);
        leavePages(dc);
        DefSubclassProc(tabs, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        EndPaint(tabs, &paint);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(tabs, TabsProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(tabs, message, wParam, lParam);
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
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    static const bool registered = [] {
        Register({kSettingsFormClass, FormProc});
        Register({kTabPageClass, PageProc});
        return true;
    }();
    (void)registered;
    const std::wstring face = ChooseDialogFace(kBallParaForm.FontName, FormTexts());
    mFont = MakeDialogFont(face, kBallParaForm.FontPixels);
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

void TWin32BallPara::CreateForm()
{
    RECT frame{0, 0, kBallParaForm.ClientWidth, kBallParaForm.ClientHeight};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    mForm = CreateWindowExW(kFormExStyle, kSettingsFormClass, Utf8ToWide(kBallParaForm.DesignCaption).c_str(),
                            kFormStyle, kBallParaForm.Left, kBallParaForm.Top, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!mForm)
        throw std::runtime_error("The settings window cannot be created");
    HDC dc = GetDC(mForm);
    HGDIOBJ old = SelectObject(dc, mFont);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    mFontHeight = metrics.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(mForm, dc);
}

void TWin32BallPara::CreateControls()
{
    for (const TFormControl& row : BallParaControls())
        mWindows[static_cast<size_t>(row.Id)] = CreateControl(row);
    LayBeneathSiblings();
    ShowPage(0);
}

TWin32BallPara::TPlace TWin32BallPara::PlaceOf(const TFormControl& row) const
{
    const TFormControl* parent = FindFormControl(row.Parent);
    if (!parent)
        return {mForm, ToRect(row.Bounds)};
    if (parent->Kind == PageControl) {
        // A page covers the tab control's display area. It is the tab
        // control's sibling, not its child: Tab then stops at the tab control
        // and goes on into the page, in the form's order.
        const TPlace tabs = PlaceOf(*parent);
        return {tabs.Parent, PageArea(Window(parent->Id))};
    }
    if (parent->Kind == GroupBox) {
        // A group's controls are its page's children, placed within the group:
        // notifications then reach the page, which hands them to the form.
        const TPlace group = PlaceOf(*parent);
        RECT bounds = ToRect(row.Bounds);
        if (row.FillsParent)   // the group's client area: inside its frame, below its caption
            bounds = {2, mFontHeight + 2, parent->Bounds.Width - 2, parent->Bounds.Height - 2};
        OffsetRect(&bounds, group.Bounds.left, group.Bounds.top);
        return {group.Parent, bounds};
    }
    return {Window(parent->Id), ToRect(row.Bounds)};
}

HWND TWin32BallPara::CreateControl(const TFormControl& row)
{
    const TPlace place = PlaceOf(row);
    DWORD style = WS_CHILD | (row.Visible ? WS_VISIBLE : 0) | (row.Enabled ? 0 : WS_DISABLED);
    DWORD exStyle = 0;
    const wchar_t* windowClass = WC_STATICW;
    int height = place.Bounds.bottom - place.Bounds.top;
    if (!IsContainer(row.Kind))
        style |= WS_CLIPSIBLINGS;
    // Radio buttons of one parent form one group: only the first starts it.
    const bool firstRadio = row.Kind == RadioButton && (row.Id == TBallParaControl(0)
                                                        || FormControl(TBallParaControl(int(row.Id) - 1)).Kind != RadioButton);
    if (row.Kind != RadioButton || firstRadio)
        style |= WS_GROUP;
    switch (row.Kind) {
    case PageControl:
        windowClass = WC_TABCONTROLW;
        style |= WS_TABSTOP;
        break;
    case TabSheet:
        // Not clipping its children: the frame and the groups on it draw
        // only their lines, and the page's own background fills them. Not
        // clipped by the tab control above it either, which leaves the
        // page's area to the page.
        windowClass = kTabPageClass;
        style &= ~(WS_VISIBLE | WS_CLIPSIBLINGS);
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case Bevel:
        style |= SS_ETCHEDFRAME;
        break;
    case Label:
        style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
        break;
    case ComboBox:
        windowClass = WC_COMBOBOXW;
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        height += kDropDownRows * mFontHeight;
        break;
    case CheckBox:
        windowClass = WC_BUTTONW;
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        break;
    case SpinField:
        windowClass = WC_EDITW;
        style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TrackBar:
        windowClass = TRACKBAR_CLASSW;
        style |= TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | TBS_FIXEDLENGTH | WS_TABSTOP;
        break;
    case GroupBox:
        windowClass = WC_BUTTONW;
        style |= BS_GROUPBOX;
        break;
    case RadioButton:
        windowClass = WC_BUTTONW;
        style |= BS_AUTORADIOBUTTON | (firstRadio ? WS_TABSTOP : 0);
        break;
    case ListBox:
        windowClass = WC_LISTBOXW;
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case Image:
        windowClass = TPreviewImage::ClassName();
        break;
    case SpeedButton:
        windowClass = WC_BUTTONW;
        style |= BS_PUSHBUTTON | BS_BITMAP;
        break;
    case Button:
        windowClass = WC_BUTTONW;
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    }
    HWND window = CreateWindowExW(exStyle, windowClass, Utf8ToWide(row.Caption).c_str(), style, place.Bounds.left,
                                  place.Bounds.top, place.Bounds.right - place.Bounds.left, height, place.Parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.Id))),
                                  GetModuleHandleW(nullptr), this);
    if (!window)
        throw std::runtime_error("The settings window cannot be created");
    HFONT font = mFont;
    if (!row.FontName.empty()) {
        if (!mMarkFont)
            mMarkFont = MakeDialogFont(Utf8ToWide(row.FontName), row.FontPixels);
        font = mMarkFont;
    }
    Send(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    const size_t index = static_cast<size_t>(row.Id);
    switch (row.Kind) {
    case PageControl:
        for (const TFormControl& page : BallParaControls()) {
            if (page.Kind != TabSheet || page.Parent != row.Name)
                continue;
            std::wstring caption = Utf8ToWide(page.Caption);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption.data();
            Send(window, TCM_INSERTITEMW, Send(window, TCM_GETITEMCOUNT), reinterpret_cast<LPARAM>(&item));
        }
        SetWindowSubclass(window, TabsProc, 0, 0);
        break;
    case ComboBox: {
        for (std::string_view text : row.Items)
            Send(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
        // The closed list is as high as the form says, whatever the font.
        for (int attempt = 0; attempt < 3; ++attempt) {
            RECT shown{};
            GetWindowRect(window, &shown);
            const LRESULT itemHeight = Send(window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1));
            const int wanted = row.Bounds.Height - (shown.bottom - shown.top);
            if (itemHeight == CB_ERR || wanted == 0)
                break;
            Send(window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight + wanted);
        }
        break;
    }
    case SpinField: {
        // The buttons take the right end of the field's bounds.
        const int buttonsWidth = GetSystemMetrics(SM_CXVSCROLL);
        const RECT& field = place.Bounds;
        SetWindowPos(window, nullptr, 0, 0, field.right - field.left - buttonsWidth, field.bottom - field.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        HWND buttons = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                       WS_CHILD | WS_VISIBLE | UDS_NOTHOUSANDS | UDS_HOTTRACK,
                                       field.right - buttonsWidth, field.top, buttonsWidth,
                                       field.bottom - field.top, place.Parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.Id) + kUpDownIdOffset)),
                                       GetModuleHandleW(nullptr), nullptr);
        Send(buttons, UDM_SETRANGE32, static_cast<WPARAM>(row.Min), row.Max);
        Send(buttons, UDM_SETBUDDY, reinterpret_cast<WPARAM>(window));
        // Setting the buddy may move the buttons beside it; they belong inside.
        SetWindowPos(buttons, nullptr, field.right - buttonsWidth, field.top, buttonsWidth, field.bottom - field.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        mUpDowns[index] = buttons;
        SetWindowSubclass(window, SpinFieldProc, index, reinterpret_cast<DWORD_PTR>(this));
        break;
    }
    case TrackBar:
        Send(window, TBM_SETRANGEMIN, FALSE, row.Min);
        Send(window, TBM_SETRANGEMAX, FALSE, row.Max);
        Send(window, TBM_SETTICFREQ, kTrackBarTickFrequency);
        Send(window, TBM_SETPAGESIZE, 0, kTrackBarPageSize);
        Send(window, TBM_SETTHUMBLENGTH, kTrackBarThumbLength);
        break;
    case SpeedButton:
        mGlyphs[index] = MakeGlyphBitmap(row.Glyph);
        Send(window, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mGlyphs[index]));
        if (row.Id == btnDeleteBack)
            SetWindowSubclass(window, DeleteButtonProc, index, reinterpret_cast<DWORD_PTR>(this));
        break;
    case CheckBox:
    case RadioButton:
        Send(window, BM_SETCHECK, row.Checked ? BST_CHECKED : BST_UNCHECKED);
        break;
    default:
        break;
    }
    return window;
}

void TWin32BallPara::LayBeneathSiblings()
{
    // A window made later lies beneath an earlier sibling, the reverse of the
    // form's order. Frames and groups go to the bottom so they never cover
    // what they hold, and so does a control that a later one covers whole.
    const auto bottom = [](HWND window) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    };
    const auto controls = BallParaControls();
    for (const TFormControl& row : controls)
        if (IsContainer(row.Kind))
            bottom(Window(row.Id));
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const TFormControl& lower = controls[i];
            const TFormControl& upper = controls[j];
            if (IsContainer(lower.Kind) || IsContainer(upper.Kind) || lower.Kind == TabSheet
                || lower.Parent != upper.Parent)
                continue;
            RECT joined{};
            const RECT lowerRect = ToRect(lower.Bounds);
            const RECT upperRect = ToRect(upper.Bounds);
            UnionRect(&joined, &lowerRect, &upperRect);
            if (EqualRect(&joined, &upperRect))
                bottom(Window(lower.Id));
        }
    }
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
