// The form table is consistent in itself and with the dialog's rules.
#include <gtest/gtest.h>

#include <set>

#include "settings/BallParaRules.h"
#include "settings/form/BallParaForm.h"
#include "settings/form/ButtonGlyphs.h"

namespace {

using enum TBallParaControl;

bool IsContainer(TControlKind kind)
{
    return kind == TControlKind::PageControl || kind == TControlKind::TabSheet || kind == TControlKind::GroupBox;
}

TEST(BallParaForm, RowsAreInIdOrderWithUniqueNamesAndParentsMadeFirst)
{
    const auto rows = BallParaControls();
    ASSERT_EQ(rows.size(), size_t(kBallParaControlCount));
    std::set<std::string_view> made{kBallParaForm.Name};
    for (size_t i = 0; i < rows.size(); ++i) {
        const TFormControl& row = rows[i];
        SCOPED_TRACE(std::string(row.Name));
        EXPECT_EQ(size_t(row.Id), i);
        EXPECT_EQ(&FormControl(row.Id), &row);
        EXPECT_EQ(FindFormControl(row.Name), &row);
        EXPECT_TRUE(made.contains(row.Parent)) << "parent " << row.Parent << " not made before";
        if (row.Parent != kBallParaForm.Name) {
            EXPECT_TRUE(IsContainer(FindFormControl(row.Parent)->Kind));
        }
        EXPECT_TRUE(made.insert(row.Name).second) << "name used twice";
    }
    EXPECT_EQ(FindFormControl("Image3"), nullptr);
    EXPECT_EQ(FindFormControl(""), nullptr);
}

// Every placed control lies inside its parent's bounds (a tab page inside
// its tab control), so no typo puts one out of sight.
TEST(BallParaForm, ControlsLieInsideTheirParents)
{
    for (const TFormControl& row : BallParaControls()) {
        if (row.Kind == TControlKind::TabSheet || row.FillsParent)
            continue;
        SCOPED_TRACE(std::string(row.Name));
        int width = kBallParaForm.ClientWidth;
        int height = kBallParaForm.ClientHeight;
        if (row.Parent != kBallParaForm.Name) {
            const TFormControl* parent = FindFormControl(row.Parent);
            if (parent->Kind == TControlKind::TabSheet)
                parent = FindFormControl(parent->Parent);
            width = parent->Bounds.Width;
            height = parent->Bounds.Height;
        }
        const TControlBounds& b = row.Bounds;
        EXPECT_GT(b.Width, 0);
        EXPECT_GT(b.Height, 0);
        EXPECT_GE(b.Left, 0);
        EXPECT_GE(b.Top, 0);
        EXPECT_LE(b.Left + b.Width, width);
        EXPECT_LE(b.Top + b.Height, height);
    }
    EXPECT_LT(kBallParaForm.ClientWidth, kBallParaForm.Width);
    EXPECT_LT(kBallParaForm.ClientHeight, kBallParaForm.Height);
}

TEST(BallParaForm, RangesItemsAndTagsAreTheRulesOnes)
{
    EXPECT_EQ(FormControl(edBallNums).Min, kBallsCountMin);
    EXPECT_EQ(FormControl(edBallNums).Max, kBallsCountMax);
    EXPECT_EQ(FormControl(backInt).Min, kBackIntervalMin);
    EXPECT_EQ(FormControl(backInt).Max, kBackIntervalMax);
    EXPECT_EQ(FormControl(tbBallSize).Min, kBallSizeMin);
    EXPECT_EQ(FormControl(tbBallSize).Max, kBallSizeMax);
    EXPECT_EQ(FormControl(cbMask).Items.size(), size_t(kMaskItems));
    EXPECT_EQ(FormControl(cbBubbleStyle).Items.size(), size_t(kBubbleStyleItems));
    EXPECT_EQ(FormControl(cbSoundType).Items.size(), size_t(kSoundTypeItems));
    EXPECT_EQ(FormControl(cbSoundType).Items[4], "4 Rhodes Piano                柔和的电钢琴");
    EXPECT_EQ(FormControl(cbDriver).Items[0], kDriverDirectX);
    EXPECT_EQ(FormControl(cbDriver).Items[1], kDriverGdiPlus);
    EXPECT_EQ(FormControl(rbDefault).Tag, kTagDefaultBack);
    EXPECT_EQ(FormControl(rbDesk).Tag, kTagDesktopBack);
    EXPECT_EQ(FormControl(rbUser).Tag, kTagUserBack);
    // The hidden and disabled controls of the design.
    EXPECT_FALSE(FormControl(cbSoundType).Visible);
    EXPECT_FALSE(FormControl(Label12).Visible);
    EXPECT_FALSE(FormControl(cbDriver).Enabled);
    EXPECT_TRUE(FormControl(rbDefault).Checked);
    EXPECT_TRUE(FormControl(rbBackPlay1).Checked);
    EXPECT_EQ(FormControl(Label14).Caption, "    ");
    // cbDriver is made first, so cbBubbleStyle lies over it.
    EXPECT_LT(int(cbDriver), int(cbBubbleStyle));
}

// The small buttons show their glyphs on a see-through ground.
TEST(BallParaForm, SpeedButtonsHaveGlyphsOfTheirSize)
{
    for (const TFormControl& row : BallParaControls()) {
        SCOPED_TRACE(std::string(row.Name));
        EXPECT_EQ(row.Kind == TControlKind::SpeedButton, row.Glyph != TButtonGlyph::None);
        if (row.Glyph == TButtonGlyph::None)
            continue;
        const TDIB glyph = ButtonGlyph(row.Glyph);
        EXPECT_EQ(glyph.Width(), kButtonGlyphSize);
        EXPECT_EQ(glyph.Height(), kButtonGlyphSize);
        EXPECT_TRUE(glyph.HasOwnAlpha());
        EXPECT_EQ(glyph.GetColor(0, 0), 0u);
        EXPECT_LE(kButtonGlyphSize, row.Bounds.Width);
    }
    EXPECT_EQ(ButtonGlyph(TButtonGlyph::RemovePicture).GetColor(8, 8), 0xff000000u);
    EXPECT_EQ(ButtonGlyph(TButtonGlyph::AddPicture).GetColor(10, 5), 0xffffff00u);   // the sun
    EXPECT_TRUE(ButtonGlyph(TButtonGlyph::None).Empty());
}

} // namespace
