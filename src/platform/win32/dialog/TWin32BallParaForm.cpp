#include "platform/win32/dialog/TWin32BallPara.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/win32/Wide.h"
#include "platform/win32/dialog/ControlIds.h"
#include "platform/win32/dialog/DialogFont.h"
#include "platform/win32/dialog/GlyphBitmap.h"
#include "platform/win32/dialog/PreviewImage.h"

// The dialog's windows, made from the form table.

namespace {

using enum TBallParaControl;
using enum TControlKind;

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

} // namespace

void TWin32BallPara::CreateForm()
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
    mFont = MakeDialogFont(ChooseDialogFace(kBallParaForm.FontName, FormTexts()), kBallParaForm.FontPixels);
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
