#include "settings/form/BallParaForm.h"

#include <array>

#include "settings/BallParaRules.h"
#include "settings/GmInstrumentNames.h"

namespace {

using enum TBallParaControl;
using enum TControlKind;

constexpr std::string_view kForm = kBallParaForm.Name;
constexpr std::array<std::string_view, 2> kDriverItems{"Directx 7.0", "GDI+"};
constexpr std::array<std::string_view, 3> kBubbleStyleItems{"球形泡泡", "心形泡泡", "玻璃相框"};
constexpr std::array<std::string_view, 3> kMaskItems{"不使用蒙板", "使用蒙板1", "使用蒙板2"};

// The marks under the size slider keep the small serif face of the design.
constexpr std::string_view kMarkFont = "MS Serif";
constexpr int kMarkPixels = 8;

TFormControl Row(TBallParaControl id, std::string_view name, TControlKind kind, std::string_view parent,
                 TControlBounds bounds, std::string_view caption = {})
{
    TFormControl row{id, name, kind, parent, bounds, caption, {}};
    return row;
}

TFormControl WithItems(TFormControl row, std::span<const std::string_view> items)
{
    row.Items = items;
    return row;
}

TFormControl WithRange(TFormControl row, int min, int max)
{
    row.Min = min;
    row.Max = max;
    return row;
}

TFormControl Hidden(TFormControl row)
{
    row.Visible = false;
    return row;
}

TFormControl Disabled(TFormControl row)
{
    row.Enabled = false;
    return row;
}

TFormControl Checked(TFormControl row)
{
    row.Checked = true;
    return row;
}

TFormControl Tagged(TFormControl row, int tag)
{
    row.Tag = tag;
    return row;
}

TFormControl WithGlyph(TFormControl row, TButtonGlyph glyph)
{
    row.Glyph = glyph;
    return row;
}

TFormControl Mark(TFormControl row)
{
    row.FontName = kMarkFont;
    row.FontPixels = kMarkPixels;
    return row;
}

TFormControl FillingParent(TFormControl row)
{
    row.FillsParent = true;
    return row;
}

const std::array<TFormControl, kBallParaControlCount>& Table()
{
    static const std::array<TFormControl, kBallParaControlCount> table{
        Row(PageControl1, "PageControl1", PageControl, kForm, {8, 8, 377, 313}),
        Row(TabSheet1, "TabSheet1", TabSheet, "PageControl1", {}, "[ 常规设置 ]"),
        Row(Bevel1, "Bevel1", Bevel, "TabSheet1", {0, 3, 369, 281}),
        Row(Label11, "Label11", Label, "TabSheet1", {16, 24, 48, 14}, "泡泡形状"),
        Disabled(WithItems(Row(cbDriver, "cbDriver", ComboBox, "TabSheet1", {72, 20, 97, 20}), kDriverItems)),
        WithItems(Row(cbBubbleStyle, "cbBubbleStyle", ComboBox, "TabSheet1", {72, 20, 121, 20}), kBubbleStyleItems),
        Row(cbAudio, "cbAudio", CheckBox, "TabSheet1", {232, 20, 113, 17}, "音效（碰撞声音）"),
        Row(Label6, "Label6", Label, "TabSheet1", {16, 56, 48, 14}, "泡泡数量"),
        WithRange(Row(edBallNums, "edBallNums", SpinField, "TabSheet1", {72, 52, 47, 21}), 0, 100),
        Row(cbxShadow, "cbxShadow", CheckBox, "TabSheet1", {232, 52, 97, 17}, "是否显示阴影"),
        Row(Label7, "Label7", Label, "TabSheet1", {16, 91, 48, 14}, "泡泡大小"),
        WithRange(Row(tbBallSize, "tbBallSize", TrackBar, "TabSheet1", {64, 86, 289, 25}), 2, 20),
        Mark(Row(Label8, "Label8", Label, "TabSheet1", {67, 109, 18, 11}, "0.2")),
        Mark(Row(Label9, "Label9", Label, "TabSheet1", {187, 109, 18, 11}, "1.0")),
        Mark(Row(Label10, "Label10", Label, "TabSheet1", {339, 109, 18, 11}, "2.0")),
        Row(GroupBox2, "GroupBox2", GroupBox, "TabSheet1", {16, 128, 337, 73}, "屏保背景设置"),
        Checked(Tagged(Row(rbDefault, "rbDefault", RadioButton, "GroupBox2", {16, 24, 113, 17}, "屏保默认背景"), kTagDefaultBack)),
        Tagged(Row(rbUser, "rbUser", RadioButton, "GroupBox2", {16, 48, 113, 17}, "指定图片作为背景"), kTagUserBack),
        Tagged(Row(rbDesk, "rbDesk", RadioButton, "GroupBox2", {160, 24, 113, 17}, "桌面图像作为背景"), kTagDesktopBack),
        Hidden(Row(Label12, "Label12", Label, "TabSheet1", {16, 252, 48, 14}, "声音类型")),
        Hidden(WithItems(Row(cbSoundType, "cbSoundType", ComboBox, "TabSheet1", {72, 249, 281, 20}),
                         kGmInstrumentNames)),
        Row(TabSheet2, "TabSheet2", TabSheet, "PageControl1", {}, "泡泡内图片设置"),
        Row(GroupBox1, "GroupBox1", GroupBox, "TabSheet2", {8, 8, 353, 273}, "可以在泡泡内显示的图片"),
        WithItems(Row(cbMask, "cbMask", ComboBox, "GroupBox1", {16, 26, 121, 20}), kMaskItems),
        WithGlyph(Row(btnBall, "btnBall", SpeedButton, "GroupBox1", {256, 28, 23, 22}), TButtonGlyph::AddPicture),
        WithGlyph(Row(SpeedButton1, "SpeedButton1", SpeedButton, "GroupBox1", {312, 28, 23, 22}),
                  TButtonGlyph::RemovePicture),
        Row(lstBalls, "lstBalls", ListBox, "GroupBox1", {16, 56, 321, 105}),
        Row(Image2, "Image2", Image, "GroupBox1", {104, 168, 137, 95}),
        Row(TabSheet3, "TabSheet3", TabSheet, "PageControl1", {}, "屏保背景图片设置"),
        Row(GroupBox3, "GroupBox3", GroupBox, "TabSheet3", {8, 8, 353, 145}, "选择一张或者多张图片作为背景"),
        WithGlyph(Row(btnBack, "btnBack", SpeedButton, "GroupBox3", {272, 12, 23, 22}), TButtonGlyph::AddPicture),
        WithGlyph(Row(btnDeleteBack, "btnDeleteBack", SpeedButton, "GroupBox3", {320, 12, 23, 22}),
                  TButtonGlyph::RemovePicture),
        // Four spaces: an invisible spot that answers a double click.
        Row(Label14, "Label14", Label, "GroupBox3", {80, 16, 24, 12}, "    "),
        Row(edtBack, "edtBack", ListBox, "GroupBox3", {8, 40, 337, 97}),
        Row(GroupBox4, "GroupBox4", GroupBox, "TabSheet3", {8, 160, 201, 121}, "选项"),
        Checked(Row(rbBackPlay1, "rbBackPlay1", RadioButton, "GroupBox4", {16, 24, 65, 17}, "随机播放")),
        Row(rbBackPlay2, "rbBackPlay2", RadioButton, "GroupBox4", {88, 24, 81, 17}, "顺序播放"),
        Row(Label13, "Label13", Label, "GroupBox4", {16, 56, 96, 14}, "播放间隔时间(秒)"),
        WithRange(Row(backInt, "backInt", SpinField, "GroupBox4", {112, 52, 47, 21}), 5, 30),
        Row(GroupBox5, "GroupBox5", GroupBox, "TabSheet3", {216, 160, 145, 121}, "预览"),
        FillingParent(Row(Image1, "Image1", Image, "GroupBox5", {})),
        Row(btnOk, "btnOk", Button, kForm, {192, 368, 75, 25}, "保存"),
        Row(btnCancel, "btnCancel", Button, kForm, {296, 368, 75, 25}, "取消"),
    };
    return table;
}

} // namespace

std::span<const TFormControl> BallParaControls()
{
    return Table();
}

const TFormControl& FormControl(TBallParaControl id)
{
    return Table()[static_cast<size_t>(id)];
}

const TFormControl* FindFormControl(std::string_view name)
{
    for (const TFormControl& row : Table())
        if (row.Name == name)
            return &row;
    return nullptr;
}
