#pragma once
#include <span>
#include <string_view>

// The settings form as data: every control's name, kind, parent, bounds,
// caption, items, range and flags. Each toolkit's dialog builds its controls
// from this table, and its tests compare what it shows against it.

// The form's controls in the order the form creates them; siblings later in
// this order lie above earlier ones, and Tab moves the focus through the
// controls that take it in this order.
enum class TBallParaControl {
    PageControl1,
    TabSheet1,
    Bevel1,
    Label11,
    cbDriver,
    cbBubbleStyle,
    cbAudio,
    Label6,
    edBallNums,
    cbxShadow,
    Label7,
    tbBallSize,
    Label8,
    Label9,
    Label10,
    GroupBox2,
    rbDefault,
    rbUser,
    rbDesk,
    Label12,
    cbSoundType,
    TabSheet2,
    GroupBox1,
    cbMask,
    btnBall,
    SpeedButton1,
    lstBalls,
    Image2,
    TabSheet3,
    GroupBox3,
    btnBack,
    btnDeleteBack,
    Label14,
    edtBack,
    GroupBox4,
    rbBackPlay1,
    rbBackPlay2,
    Label13,
    backInt,
    GroupBox5,
    Image1,
    btnOk,
    btnCancel,
};
inline constexpr int kBallParaControlCount = static_cast<int>(TBallParaControl::btnCancel) + 1;

enum class TControlKind {
    PageControl,    // tab control; its pages are the TabSheet rows naming it as parent
    TabSheet,       // one page; bounds are the page's client area, given by the tab control
    Bevel,          // sunken frame
    Label,
    ComboBox,       // drop-down list, no typing
    CheckBox,
    SpinField,      // numeric field with up/down buttons, no typed input
    TrackBar,       // horizontal slider with a tick per step
    GroupBox,
    RadioButton,    // the radio buttons of one parent form one group
    ListBox,        // single selection, horizontal scroll bar as needed
    Image,          // picture stretched to its bounds
    SpeedButton,    // small flat button showing a glyph, no caption
    Button,
};

// The pictures of the small buttons (17 x 17).
enum class TButtonGlyph {
    None,
    AddPicture,      // a small framed landscape: sun over hills
    RemovePicture,   // a black X
};

struct TControlBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

struct TFormControl {
    TBallParaControl Id;
    std::string_view Name;
    TControlKind Kind;
    std::string_view Parent;        // a control's name, or kBallParaForm.Name for the form
    TControlBounds Bounds;          // within the parent's client area, in pixels
    std::string_view Caption;       // UTF-8; tab title for a TabSheet
    std::span<const std::string_view> Items;   // drop-down lists
    int Min = 0;                    // spin fields and the track bar
    int Max = 0;
    int Tag = 0;                    // background radio buttons: the BackType they stand for
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;           // check boxes and radio buttons, as designed
    bool FillsParent = false;       // takes the parent's whole client area instead of Bounds
    TButtonGlyph Glyph = TButtonGlyph::None;
    std::string_view FontName;      // empty: the form's font
    int FontPixels = 0;             // 0: the form's font size
};

struct TFormDesign {
    std::string_view Name;
    std::string_view DesignCaption;   // replaced at creation by kBallParaCaption
    int Left;
    int Top;
    int Width;                        // outer size, frame and title bar included
    int Height;
    int ClientWidth;                  // the area the controls are placed in
    int ClientHeight;
    std::string_view FontName;
    std::string_view FallbackFontName;   // CJK face of every current Windows, when FontName is missing
    int FontPixels;
};

inline constexpr TFormDesign kBallParaForm{
    "TFBallPara", "参数设置", 207, 113, 402, 437, 394, 403, "宋体", "Microsoft YaHei UI", 12,
};

// The track bar's look and keyboard paging.
inline constexpr int kTrackBarThumbLength = 15;
inline constexpr int kTrackBarTickFrequency = 1;
inline constexpr int kTrackBarPageSize = 2;

// Every control, in TBallParaControl order (row i has Id i).
std::span<const TFormControl> BallParaControls();

const TFormControl& FormControl(TBallParaControl id);

// The row of the named control; nullptr when the form has none of that name.
const TFormControl* FindFormControl(std::string_view name);
