// Looks at and drives the running settings dialog from outside, as another
// program sees it through Win32, for the dialog test:
//   probe geometry        every control of the form table: caption, items,
//                         ranges, flags, bounds (client coordinates of the
//                         dialog) and the Tab order of the first page
//   probe spin            keys into the bubble-count field: arrows and pages
//                         step, typed text and paste are refused
//   probe edit            changes a few controls as a user would
//   probe save | cancel   clicks "保存" or "取消", found by its caption
//   probe page N          turns to page N (0..2)
//   probe pictures STEP   the picture lists with the system's file dialog,
//                         on files in C:\照片测试 (the dialog's folder):
//                         "add" adds two background pictures at once and
//                         prints where the preview is; "bad" adds a GIF and
//                         closes the preview's error box; "finish" deletes
//                         it, adds a bubble picture, saves, and reads the
//                         registry
// Exit status 0 when everything matched; the differences on standard error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"
#include "platform/win32/dialog/ControlIds.h"
#include "settings/BallParaRules.h"
#include "settings/form/BallParaForm.h"

#include <commctrl.h>

namespace {

using enum TBallParaControl;
using enum TControlKind;

constexpr DWORD kPatienceMs = 60000;   // Wine on a busy machine
constexpr DWORD kPollMs = 50;
constexpr int kComboHeightSlack = 3;
int failures = 0;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "probe: %s\n", what.c_str());
    ++failures;
}

std::string Text(HWND window)
{
    // Asked of the window itself: GetWindowText of another program's edit
    // field would give its caption, not its text.
    wchar_t buffer[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return WideToUtf8(buffer);
}

// Polls until the condition holds; false when the patience ran out.
template <typename Condition>
bool WaitFor(Condition condition)
{
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (condition())
            return true;
        Sleep(kPollMs);
    }
    return condition();
}

HWND FindDialog()
{
    const std::wstring title = Utf8ToWide(kBallParaCaption);
    HWND form = nullptr;
    WaitFor([&] { return (form = FindWindowW(kSettingsFormClass, title.c_str())) != nullptr && IsWindowVisible(form); });
    if (!form) {
        std::fprintf(stderr, "probe: no window titled %s\n", std::string(kBallParaCaption).c_str());
        std::exit(2);
    }
    return form;
}

HWND Control(HWND form, TBallParaControl control)
{
    struct TSearch {
        int Id;
        HWND Found;
    } search{ControlId(control), nullptr};
    EnumChildWindows(
        form,
        [](HWND child, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<TSearch*>(data);
            if (GetDlgCtrlID(child) != wanted->Id)
                return TRUE;
            wanted->Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

RECT RectIn(HWND form, HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x"
           + std::to_string(r.bottom - r.top);
}

HWND UpDownOf(HWND form, HWND field)
{
    HWND found = nullptr;
    for (HWND child = GetWindow(GetParent(field), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (reinterpret_cast<HWND>(SendMessageW(child, UDM_GETBUDDY, 0, 0)) == field && child != field)
            found = child;
    (void)form;
    return found;
}

// Where a control of the table belongs, in the dialog's client coordinates.
RECT Expected(HWND form, const TFormControl& row)
{
    const RECT own{row.Bounds.Left, row.Bounds.Top, row.Bounds.Left + row.Bounds.Width,
                   row.Bounds.Top + row.Bounds.Height};
    const TFormControl* parent = FindFormControl(row.Parent);
    if (!parent)
        return own;
    if (row.Kind == TabSheet)   // the tab control places its pages
        return RectIn(form, Control(form, row.Id));
    const RECT origin = parent->Kind == TabSheet ? RectIn(form, Control(form, parent->Id)) : Expected(form, *parent);
    RECT placed = own;
    OffsetRect(&placed, origin.left, origin.top);
    return placed;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    RECT joined{};
    UnionRect(&joined, &inner, &outer);
    return EqualRect(&joined, &outer) != FALSE;
}

void CheckControl(HWND form, const TFormControl& row)
{
    const std::string name(row.Name);
    HWND window = Control(form, row.Id);
    if (!window) {
        Fail(name + ": no such window");
        return;
    }
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (row.Kind != TabSheet && ((style & WS_VISIBLE) != 0) != row.Visible)
        Fail(name + ": visible is not as designed");
    if (!row.Enabled && IsWindowEnabled(window))
        Fail(name + ": enabled, designed disabled");
    const bool captioned = row.Kind == Label || row.Kind == CheckBox || row.Kind == RadioButton
                           || row.Kind == GroupBox || row.Kind == Button || row.Kind == TabSheet;
    if (captioned && Text(window) != row.Caption)
        Fail(name + ": caption \"" + Text(window) + "\", designed \"" + std::string(row.Caption) + "\"");
    if (row.Kind == ComboBox) {
        if (SendMessageW(window, CB_GETCOUNT, 0, 0) != LRESULT(row.Items.size()))
            Fail(name + ": wrong number of items");
        for (size_t i = 0; i < row.Items.size(); ++i) {
            wchar_t item[256] = {};
            if (SendMessageW(window, CB_GETLBTEXTLEN, i, 0) < 256)
                SendMessageW(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            if (WideToUtf8(item) != row.Items[i])
                Fail(name + ": item " + std::to_string(i) + " reads \"" + WideToUtf8(item) + "\"");
        }
    }
    if (row.Kind == TrackBar
        && (SendMessageW(window, TBM_GETRANGEMIN, 0, 0) != row.Min || SendMessageW(window, TBM_GETRANGEMAX, 0, 0) != row.Max))
        Fail(name + ": range is not as designed");

    const RECT expected = Expected(form, row);
    RECT actual = RectIn(form, window);
    if (row.Kind == SpinField) {
        // The field and its buttons share the designed bounds.
        HWND buttons = UpDownOf(form, window);
        if (!buttons) {
            Fail(name + ": no up-down buttons");
            return;
        }
        const LRESULT range = SendMessageW(buttons, UDM_GETRANGE, 0, 0);
        if (HIWORD(range) != row.Min || LOWORD(range) != row.Max)
            Fail(name + ": range is not as designed");
        const RECT buttonsRect = RectIn(form, buttons);
        UnionRect(&actual, &actual, &buttonsRect);
    }
    if (row.Kind == TabSheet || row.FillsParent) {
        const TFormControl& parent = *FindFormControl(row.Parent);
        if (!Inside(actual, Expected(form, parent)) || actual.right - actual.left < parent.Bounds.Width * 3 / 4)
            Fail(name + " at " + Describe(actual) + " does not fill " + std::string(parent.Name));
        return;
    }
    // A closed drop-down list is as high as its font makes it (the design
    // gives no height of its own for one); all else is exact.
    if (row.Kind == ComboBox && std::abs((actual.bottom - actual.top) - row.Bounds.Height) <= kComboHeightSlack)
        actual.bottom = actual.top + row.Bounds.Height;
    if (!EqualRect(&expected, &actual))
        Fail(name + " at " + Describe(actual) + ", designed at " + Describe(expected));
}

// Tab visits, from the tab control, the first page's controls and the two
// buttons in the form's order: enabled, visible ones; of a radio group the
// checked button.
void CheckTabOrder(HWND form)
{
    std::vector<std::string> expected;
    for (const TFormControl& row : BallParaControls()) {
        const TFormControl* page = FindFormControl(row.Parent);
        while (page && page->Kind == GroupBox)
            page = FindFormControl(page->Parent);
        if (page && page->Kind == TabSheet && page->Id != TabSheet1)
            continue;
        HWND window = Control(form, row.Id);
        const bool stops = row.Kind == PageControl || row.Kind == ComboBox || row.Kind == CheckBox
                           || row.Kind == SpinField || row.Kind == TrackBar || row.Kind == ListBox
                           || row.Kind == Button
                           || (row.Kind == RadioButton && SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED);
        if (stops && row.Visible && IsWindowEnabled(window))
            expected.emplace_back(row.Name);
    }
    std::vector<std::string> visited;
    HWND first = Control(form, PageControl1);
    HWND at = first;
    do {
        const int row = GetDlgCtrlID(at) - kFirstControlId;
        visited.emplace_back(row >= 0 && row < kBallParaControlCount ? BallParaControls()[size_t(row)].Name
                                                                       : "(window " + std::to_string(row) + ")");
        at = GetNextDlgTabItem(form, at, FALSE);
    } while (at && at != first && visited.size() < 100);
    if (visited != expected) {
        std::string seen;
        for (const auto& name : visited)
            seen += name + " ";
        Fail("Tab visits " + seen);
    }
}

int Geometry(HWND form)
{
    RECT client{};
    GetClientRect(form, &client);
    if (client.right != kBallParaForm.ClientWidth || client.bottom != kBallParaForm.ClientHeight)
        Fail("client area " + Describe(client));
    for (const TFormControl& row : BallParaControls())
        CheckControl(form, row);
    CheckTabOrder(form);
    return failures == 0 ? 0 : 1;
}

// A key the user types into the field, as the system posts it.
void Key(HWND field, UINT message, WPARAM key)
{
    PostMessageW(field, message, key, 1);
}

bool Shows(HWND field, const std::string& value)
{
    return WaitFor([&] { return Text(field) == value; });
}

int Spin(HWND form)
{
    HWND field = Control(form, edBallNums);
    const int start = std::atoi(Text(field).c_str());
    const auto expect = [&](int value, const char* after) {
        if (!Shows(field, std::to_string(value)))
            Fail(std::string("after ") + after + " the field shows \"" + Text(field) + "\", not " + std::to_string(value));
    };
    Key(field, WM_KEYDOWN, VK_UP);
    Key(field, WM_KEYDOWN, VK_UP);
    expect(start + 2, "Up Up");
    Key(field, WM_KEYDOWN, VK_DOWN);
    expect(start + 1, "Down");
    // Letters, a digit, Backspace, Delete and a paste: each refused; the Up
    // behind them shows they were handled before it.
    for (WPARAM c : {WPARAM('x'), WPARAM('7'), WPARAM('\b')})
        Key(field, WM_CHAR, c);
    Key(field, WM_KEYDOWN, VK_DELETE);
    Key(field, WM_PASTE, 0);
    Key(field, WM_KEYDOWN, VK_UP);
    expect(start + 2, "typing, Delete and a paste, then Up");
    for (int i = 0; i < 11; ++i)
        Key(field, WM_KEYDOWN, VK_PRIOR);
    expect(kBallsCountMax, "eleven Page Ups");
    Key(field, WM_KEYDOWN, VK_NEXT);
    expect(kBallsCountMax - 10, "Page Down");
    return failures == 0 ? 0 : 1;
}

int Edit(HWND form)
{
    // Shadows off, the desktop as background, the slider at 15, the glass frame.
    SendMessageW(Control(form, cbxShadow), BM_CLICK, 0, 0);
    SendMessageW(Control(form, rbDesk), BM_CLICK, 0, 0);
    SendMessageW(Control(form, tbBallSize), TBM_SETPOS, TRUE, 15);
    SendMessageW(Control(form, cbBubbleStyle), CB_SETCURSEL, 2, 0);
    return 0;
}

// The button is found by its caption, as the user finds it.
int Press(HWND form, TBallParaControl button)
{
    struct TSearch {
        std::string Caption;
        HWND Found;
    } search{std::string(FormControl(button).Caption), nullptr};
    EnumChildWindows(
        form,
        [](HWND child, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<TSearch*>(data);
            if (Text(child) != wanted->Caption)
                return TRUE;
            wanted->Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.Found) {
        Fail("no button \"" + search.Caption + "\"");
        return 1;
    }
    SendMessageW(search.Found, BM_CLICK, 0, 0);
    return 0;
}

int TurnTo(HWND form, int page)
{
    HWND tabs = Control(form, PageControl1);
    const TBallParaControl sheets[] = {TabSheet1, TabSheet2, TabSheet3};
    // The tab control's own keys turn its pages, as the user's arrows would.
    while (SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != page) {
        const LRESULT before = SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
        Key(tabs, WM_KEYDOWN, before < page ? VK_RIGHT : VK_LEFT);
        if (!WaitFor([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != before; })) {
            Fail("the pages do not turn");
            return 1;
        }
    }
    HWND sheet = Control(form, sheets[page]);
    if (!WaitFor([&] { return IsWindowVisible(sheet) != FALSE; }))
        Fail("page " + std::to_string(page) + " is not shown");
    return failures == 0 ? 0 : 1;
}

const std::wstring kPictureFolder = L"C:\\照片测试\\";
const std::wstring kLake = L"西湖.bmp";
const std::wstring kBridge = L"断桥.png";
const std::wstring kAnimation = L"动画.gif";
constexpr int kMessageText = 0xffff;   // the static of a message box that holds its text

std::wstring WideText(HWND window)
{
    wchar_t buffer[1024] = {};
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// A dialog box the settings window owns: the file dialog, or a message box
// titled `title`.
HWND OwnedDialog(HWND form, const wchar_t* title)
{
    struct TSearch {
        HWND Form;
        const wchar_t* Title;
        HWND Found;
    } search{form, title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<TSearch*>(data);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (std::wstring(className) != L"#32770" || GetWindow(window, GW_OWNER) != wanted->Form
                || !IsWindowVisible(window) || (wanted->Title && WideText(window) != wanted->Title))
                return TRUE;
            wanted->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitForOwnedDialog(HWND form, const wchar_t* title)
{
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = OwnedDialog(form, title)) != nullptr; });
    return dialog;
}

// Types the names into the file dialog's name field and presses its Open.
bool ChooseFiles(HWND form, const std::wstring& names)
{
    HWND dialog = WaitForOwnedDialog(form, nullptr);
    if (!dialog) {
        Fail("no file dialog");
        return false;
    }
    // Found once the dialog has made its controls: the one edit field, inside
    // the name's combo box.
    HWND name = nullptr;
    WaitFor([&] {
        EnumChildWindows(
            dialog,
            [](HWND child, LPARAM found) -> BOOL {
                wchar_t className[16] = {};
                GetClassNameW(child, className, 16);
                if (std::wstring(className) != L"Edit" || !IsWindowVisible(child))
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&name));
        return name != nullptr;
    });
    if (!name) {
        Fail("the file dialog has no name field");
        return false;
    }
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (!WaitFor([&] { return !IsWindow(dialog); }))
        Fail("the file dialog stayed open");
    return true;
}

std::vector<std::wstring> Entries(HWND list)
{
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t entry[1024] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1024)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
        entries.emplace_back(entry);
    }
    return entries;
}

void ExpectEntries(HWND list, const std::vector<std::wstring>& names, const char* after)
{
    std::vector<std::wstring> wanted;
    for (const auto& name : names)
        wanted.push_back(kPictureFolder + name);
    if (!WaitFor([&] { return Entries(list) == wanted; }))
        Fail(std::string("after ") + after + " the list holds " + std::to_string(Entries(list).size()) + " other entries");
}

// The registry value as the dialog stored it.
std::wstring Stored(const wchar_t* name)
{
    wchar_t value[2048] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tessaly", name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return L"(none)";
    return value;
}

DWORD StoredNumber(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tessaly", name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The hidden spot beside the background buttons answers a double click by
// allowing several files at once, and opens the file dialog.
void DoubleClickSpot(HWND form)
{
    HWND spot = Control(form, Label14);
    PostMessageW(spot, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(spot, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    PostMessageW(spot, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(spot, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

int Pictures(HWND form, const std::string& step)
{
    HWND backs = Control(form, edtBack);
    if (step == "add") {
        if (TurnTo(form, 2) != 0)
            return 1;
        DoubleClickSpot(form);
        ChooseFiles(form, L"\"" + kLake + L"\" \"" + kBridge + L"\"");
        ExpectEntries(backs, {kLake, kBridge}, "choosing two files");
        if (SendMessageW(backs, LB_GETCURSEL, 0, 0) != 1)
            Fail("the last added picture is not selected");
        if (HWND box = OwnedDialog(form, L"Tessaly"))
            Fail("the preview reported: " + WideToUtf8(WideText(GetDlgItem(box, kMessageText))));
        const RECT image = RectIn(form, Control(form, Image1));
        std::printf("%ld %ld %ld %ld\n", image.left, image.top, image.right - image.left, image.bottom - image.top);
    } else if (step == "bad") {
        DoubleClickSpot(form);
        ChooseFiles(form, kAnimation);
        HWND box = WaitForOwnedDialog(form, L"Tessaly");
        if (!box) {
            Fail("no error box for a GIF preview");
        } else {
            const std::string text = WideToUtf8(WideText(GetDlgItem(box, kMessageText)));
            if (text != "Unknown picture file extension (.gif)")
                Fail("the preview's error reads \"" + text + "\"");
            PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            if (!WaitFor([&] { return !IsWindow(box); }))
                Fail("the error box stayed open");
        }
        ExpectEntries(backs, {kLake, kBridge, kAnimation}, "a picture that cannot be previewed");
    } else if (step == "finish") {
        // The GIF is selected; removing it selects the picture before it.
        PostMessageW(Control(form, btnDeleteBack), BM_CLICK, 0, 0);
        ExpectEntries(backs, {kLake, kBridge}, "removing the last entry");
        if (SendMessageW(backs, LB_GETCURSEL, 0, 0) != 1)
            Fail("removing the last entry did not select the new last one");
        // Several files for a bubble picture: only the first is taken.
        TurnTo(form, 1);
        // Posted: the click runs the file dialog, which waits for us.
        PostMessageW(Control(form, btnBall), BM_CLICK, 0, 0);
        ChooseFiles(form, L"\"" + kLake + L"\" \"" + kBridge + L"\"");
        ExpectEntries(Control(form, lstBalls), {kLake}, "choosing two bubble pictures");
        TurnTo(form, 0);
        SendMessageW(Control(form, rbUser), BM_CLICK, 0, 0);
        Press(form, btnOk);
        if (!WaitFor([&] { return !IsWindow(form); }))
            Fail("保存 did not close the dialog");
        const std::wstring backPic = kPictureFolder + kLake + L"\r\n" + kPictureFolder + kBridge + L"\r\n";
        if (Stored(L"BackPic") != backPic)
            Fail("BackPic saved as \"" + WideToUtf8(Stored(L"BackPic")) + "\"");
        if (Stored(L"BallPic") != kPictureFolder + kLake)
            Fail("BallPic saved as \"" + WideToUtf8(Stored(L"BallPic")) + "\"");
        if (StoredNumber(L"BackType") != kTagUserBack)
            Fail("BackType saved as " + std::to_string(StoredNumber(L"BackType")));
    } else {
        Fail("no step " + step);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    HWND form = FindDialog();
    if (command == "geometry")
        return Geometry(form);
    if (command == "spin")
        return Spin(form);
    if (command == "edit")
        return Edit(form);
    if (command == "save")
        return Press(form, btnOk);
    if (command == "cancel")
        return Press(form, btnCancel);
    if (command == "page" && argc == 3)
        return TurnTo(form, std::atoi(argv[2]));
    if (command == "pictures" && argc == 3)
        return Pictures(form, argv[2]);
    std::fprintf(stderr, "usage: probe geometry | spin | edit | save | cancel | page N | pictures add|bad|finish\n");
    return 2;
}
