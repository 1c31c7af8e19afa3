// The settings dialog's handlers, driven through a view without a toolkit:
// what both the Qt and the Win32 dialog do.
#include <gtest/gtest.h>

#include <fstream>

#include "FakeBallParaView.h"
#include "render/TMemoryStream.h"
#include "settings/ListText.h"
#include "settings/PictureFilter.h"
#include "settings/SettingsFixture.h"
#include "settings/form/TBallParaController.h"

namespace {

using enum TBallParaControl;

constexpr uint32_t kRed = 0xffff0000;
constexpr uint32_t kBlue = 0xff0000ff;

class TBallParaControllerTest : public TSettingsTest {
protected:
    TFakeBallParaView View;
    std::unique_ptr<TBallParaController> Controller;

    void TearDown() override
    {
        Controller.reset();
        TSettingsTest::TearDown();
    }

    // Loads the stored settings and opens the dialog on them.
    TBallParaController& Open()
    {
        LoadSettings();
        Controller = std::make_unique<TBallParaController>(View, BallSettings);
        Controller->FormCreate();
        return *Controller;
    }

    // A small one-colour bitmap file under the test's folder.
    std::string Picture(const std::string& name, uint32_t argb) const
    {
        TDIB dib;
        dib.SetSize(4, 3, 24);
        dib.Fill(argb);
        TMemoryStream stream;
        dib.SaveToStream(stream);
        const std::string path = (Home / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(stream.Bytes().data()), std::streamsize(stream.Bytes().size()));
        return path;
    }

    uint32_t PreviewColor(TBallParaControl image) const
    {
        const auto& preview = View.State(image).Preview;
        return preview ? preview->GetColor(0, 0) | 0xff000000 : 0;
    }

    void ExpectListsInStep() const
    {
        EXPECT_EQ(View.State(edtBack).Entries, Controller->BackPics());
        EXPECT_EQ(View.State(lstBalls).Entries, Controller->BallPics());
    }
};

TEST_F(TBallParaControllerTest, OpensWithoutStoredSettingsOnTheDefaults)
{
    Open();
    EXPECT_EQ(View.Caption, "参数设置Ver3.0");
    EXPECT_EQ(View.ItemIndex(cbBubbleStyle), 0);
    EXPECT_EQ(View.Position(edBallNums), 10);
    EXPECT_EQ(View.Position(tbBallSize), 10);
    EXPECT_TRUE(View.Checked(cbxShadow));
    EXPECT_TRUE(View.Checked(cbAudio));
    EXPECT_TRUE(View.Checked(rbDefault));
    EXPECT_FALSE(View.State(edtBack).Enabled);
    EXPECT_FALSE(View.State(btnBack).Enabled);
    EXPECT_TRUE(View.State(btnDeleteBack).Enabled);
    EXPECT_TRUE(View.Checked(rbBackPlay1));
    EXPECT_FALSE(View.Checked(rbBackPlay2));
    EXPECT_EQ(View.Position(backInt), 10);
    EXPECT_EQ(View.ItemIndex(cbMask), 0);
    EXPECT_EQ(View.ItemIndex(cbSoundType), 4);
    EXPECT_EQ(View.ItemIndex(cbDriver), 0);
    EXPECT_TRUE(View.State(edtBack).Entries.empty());
    EXPECT_TRUE(View.State(lstBalls).Entries.empty());
    EXPECT_FALSE(Controller->DriverChanged());
    EXPECT_TRUE(View.Errors.empty());
}

// Out-of-range values open clamped or unselected and are saved that way.
TEST_F(TBallParaControllerTest, OpensOnAStoredRecordAndSavesWhatItShows)
{
    TStoredSettings stored;
    stored.BallsCount = 150;
    stored.BackInterval = 3;
    stored.UseMask = 7;
    stored.BackType = 3;
    stored.BallSize = 15;
    stored.BackPic = WriteLineText({"/a/one.jpg", "/b/two words.png"});
    stored.BallPic = WriteCommaText({"/c/x.bmp", "/d/with, comma.png"});
    stored.RandomPlay = false;
    stored.Driver = "GDI+";
    SaveSettings(stored);

    Open();
    EXPECT_EQ(View.Position(edBallNums), 100);
    EXPECT_EQ(View.Position(backInt), 5);
    EXPECT_EQ(View.ItemIndex(cbMask), kNoSelection);
    EXPECT_EQ(View.Position(tbBallSize), 15);
    EXPECT_EQ(View.ItemIndex(cbDriver), 1);
    EXPECT_TRUE(View.Checked(rbUser));
    EXPECT_TRUE(View.State(edtBack).Enabled);
    EXPECT_TRUE(View.State(btnBack).Enabled);
    EXPECT_TRUE(View.Checked(rbBackPlay2));
    EXPECT_EQ(View.State(edtBack).Entries, (TStringList{"/a/one.jpg", "/b/two words.png"}));
    EXPECT_EQ(View.State(lstBalls).Entries, (TStringList{"/c/x.bmp", "/d/with, comma.png"}));
    ExpectListsInStep();

    Controller->btnOkClick();
    EXPECT_EQ(View.ClosedSaved, true);
    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 100);
    EXPECT_EQ(BallSettings.BackInterval, 5);
    EXPECT_EQ(BallSettings.UseMask, -1);
    EXPECT_EQ(BallSettings.BackType, 3);
    EXPECT_EQ(*BallSettings.BallPicList, (TStringList{"/c/x.bmp", "/d/with, comma.png"}));
    EXPECT_FALSE(BallSettings.RandomPlay);
}

TEST_F(TBallParaControllerTest, BackgroundRadioButtonsSwitchTheListAndItsAddButton)
{
    Open();
    for (const auto& [button, enabled] : {std::pair{rbUser, true}, {rbDesk, false}, {rbUser, true}, {rbDefault, false}}) {
        View.UserChecks(button);
        Controller->rbDefaultClick(button);
        EXPECT_EQ(View.State(edtBack).Enabled, enabled);
        EXPECT_EQ(View.State(btnBack).Enabled, enabled);
        EXPECT_TRUE(View.State(btnDeleteBack).Enabled);
    }

    // A user slideshow with nothing in it is saved as the built-in picture.
    View.UserChecks(rbUser);
    Controller->rbDefaultClick(rbUser);
    Controller->btnOkClick();
    LoadSettings();
    EXPECT_EQ(BallSettings.BackType, 1);
}

TEST_F(TBallParaControllerTest, AddingPicturesTakesManyForTheBackgroundAndOneForBubbles)
{
    Open();
    const std::string red = Picture("red.bmp", kRed);
    const std::string blue = Picture("blue.bmp", kBlue);

    View.FileAnswers = {{red}};
    Controller->btnBackClick();
    EXPECT_EQ(View.State(edtBack).Entries, TStringList{red});
    EXPECT_EQ(View.State(edtBack).Selected, 0);
    EXPECT_EQ(PreviewColor(Image1), kRed);

    // Cancelling changes nothing.
    Controller->btnBackClick();
    EXPECT_EQ(View.State(edtBack).Entries.size(), 1u);

    // After the hidden double click the file dialog chooses several, all appended.
    View.FileAnswers = {{red, "/p/2.png", "/p/3.jpg", blue}};
    Controller->Label14DblClick();
    EXPECT_EQ(View.State(edtBack).Entries, (TStringList{red, red, "/p/2.png", "/p/3.jpg", blue}));
    EXPECT_EQ(View.State(edtBack).Selected, 4);
    EXPECT_EQ(PreviewColor(Image1), kBlue);

    // The bubble list takes only the first of several, and neither its
    // selection nor its preview moves.
    View.FileAnswers = {{blue, red, "/p/3.jpg"}};
    Controller->btnBallClick();
    EXPECT_EQ(View.State(lstBalls).Entries, TStringList{blue});
    EXPECT_EQ(View.State(lstBalls).Selected, kNoSelection);
    EXPECT_FALSE(View.State(Image2).Preview);

    EXPECT_EQ(View.MultiSelectAsked, (std::vector<bool>{false, false, true, true}));
    for (const std::string& filter : View.FiltersSeen)
        EXPECT_EQ(filter, kPictureFilter);
    EXPECT_TRUE(View.Errors.empty());
    ExpectListsInStep();
}

TEST_F(TBallParaControllerTest, DeletingBackgroundsSelectsAndPreviewsTheNeighbour)
{
    Open();
    const std::string red = Picture("red.bmp", kRed);
    const std::string blue = Picture("blue.bmp", kBlue);
    View.FileAnswers = {{red, blue, red}};
    Controller->Label14DblClick();

    // Nothing selected: nothing removed.
    View.UserSelects(edtBack, kNoSelection);
    Controller->btnDeleteBackClick();
    EXPECT_EQ(View.State(edtBack).Entries.size(), 3u);

    // The last entry removed: the new last one is selected and previewed.
    View.UserSelects(edtBack, 2);
    Controller->btnDeleteBackClick();
    EXPECT_EQ(View.State(edtBack).Entries, (TStringList{red, blue}));
    EXPECT_EQ(View.State(edtBack).Selected, 1);
    EXPECT_EQ(PreviewColor(Image1), kBlue);

    // A middle entry removed: the one now in its place.
    View.UserSelects(edtBack, 0);
    Controller->btnDeleteBackClick();
    EXPECT_EQ(View.State(edtBack).Entries, TStringList{blue});
    EXPECT_EQ(View.State(edtBack).Selected, 0);

    // Moving over the button with the left button held removes one per move;
    // the only entry gone clears the preview.
    Controller->btnDeleteBackMouseMove(false);
    EXPECT_EQ(View.State(edtBack).Entries.size(), 1u);
    Controller->btnDeleteBackMouseMove(true);
    EXPECT_TRUE(View.State(edtBack).Entries.empty());
    EXPECT_EQ(View.State(edtBack).Selected, kNoSelection);
    EXPECT_FALSE(View.State(Image1).Preview);
    Controller->btnDeleteBackMouseMove(true);
    EXPECT_TRUE(View.Errors.empty());
    ExpectListsInStep();
}

TEST_F(TBallParaControllerTest, DeletingABubblePictureLeavesNoSelectionAndKeepsThePreview)
{
    Open();
    const std::string red = Picture("red.bmp", kRed);
    View.FileAnswers = {{red}, {"/p/other.png"}};
    Controller->btnBallClick();
    Controller->btnBallClick();
    View.UserSelects(lstBalls, 0);
    Controller->lstBallsClick();
    EXPECT_EQ(PreviewColor(Image2), kRed);

    Controller->SpeedButton1Click();
    EXPECT_EQ(View.State(lstBalls).Entries, TStringList{"/p/other.png"});
    EXPECT_EQ(View.State(lstBalls).Selected, kNoSelection);
    EXPECT_EQ(PreviewColor(Image2), kRed);
    Controller->SpeedButton1Click();   // nothing selected
    EXPECT_EQ(View.State(lstBalls).Entries.size(), 1u);
    ExpectListsInStep();
}

TEST_F(TBallParaControllerTest, LongPathsWidenTheScrollExtentWhichThenStays)
{
    Open();
    const int listWidth = FormControl(edtBack).Bounds.Width;
    const std::string longPath = "/" + std::string(size_t(listWidth / 7 + 10), 'x');
    View.FileAnswers = {{"/short.png"}, {longPath}};
    Controller->btnBackClick();
    EXPECT_EQ(View.State(edtBack).ScrollExtent, 0);
    Controller->btnBackClick();
    EXPECT_EQ(View.State(edtBack).ScrollExtent, 7 * int(longPath.size()) + 50);
    View.UserSelects(edtBack, 1);
    Controller->btnDeleteBackClick();
    EXPECT_EQ(View.State(edtBack).ScrollExtent, 7 * int(longPath.size()) + 50);
}

TEST_F(TBallParaControllerTest, SpinFieldsStepInsideTheirRangeAndRefuseTyping)
{
    Open();
    Controller->SpinKey(edBallNums, TSpinKey::LineUp);
    EXPECT_EQ(View.Position(edBallNums), 11);
    Controller->SpinKey(edBallNums, TSpinKey::PageDown);
    Controller->SpinKey(edBallNums, TSpinKey::PageDown);
    EXPECT_EQ(View.Position(edBallNums), 0);
    Controller->SpinKey(edBallNums, TSpinKey::LineDown);
    EXPECT_EQ(View.Position(edBallNums), 0);
    Controller->SpinStep(edBallNums, 250);
    EXPECT_EQ(View.Position(edBallNums), 100);

    Controller->SpinKey(backInt, TSpinKey::PageUp);
    Controller->SpinKey(backInt, TSpinKey::PageUp);
    EXPECT_EQ(View.Position(backInt), 30);
    Controller->SpinKey(backInt, TSpinKey::LineDown);
    EXPECT_EQ(View.Position(backInt), 29);
    EXPECT_EQ(View.Beeps, 0);

    Controller->SpinKey(backInt, TSpinKey::Refused);
    Controller->SpinKey(edBallNums, TSpinKey::Refused);
    EXPECT_EQ(View.Beeps, 2);
    EXPECT_EQ(View.Position(backInt), 29);
    EXPECT_EQ(View.Position(edBallNums), 100);
}

TEST_F(TBallParaControllerTest, WheelStepsByNotchesKeepingPartsPerField)
{
    Open();
    EXPECT_FALSE(Controller->SpinWheel(edBallNums, 60, false));
    EXPECT_FALSE(Controller->SpinWheel(backInt, 60, false));   // its own part
    EXPECT_EQ(View.Position(edBallNums), 10);
    EXPECT_TRUE(Controller->SpinWheel(edBallNums, 60, false));
    EXPECT_EQ(View.Position(edBallNums), 11);
    EXPECT_EQ(View.Position(backInt), 10);
    EXPECT_TRUE(Controller->SpinWheel(edBallNums, -240, true));
    EXPECT_EQ(View.Position(edBallNums), 0);
    // A wild angle ends at the edge without overflowing.
    EXPECT_TRUE(Controller->SpinWheel(backInt, INT32_MAX, true));
    EXPECT_EQ(View.Position(backInt), 30);
    EXPECT_TRUE(Controller->SpinWheel(backInt, INT32_MIN, true));
    EXPECT_EQ(View.Position(backInt), 5);
}

TEST_F(TBallParaControllerTest, SaveWritesTheControlsAndTheRendererOnlyWhenChanged)
{
    Open();
    View.SetPosition(edBallNums, 42);
    View.SetPosition(tbBallSize, 3);
    View.UserChecks(cbxShadow, false);
    View.SetItemIndex(cbBubbleStyle, 2);
    View.SetItemIndex(cbMask, 1);
    View.UserChecks(rbDesk);
    View.UserChecks(rbBackPlay2);
    View.SetPosition(backInt, 25);
    Controller->btnOkClick();
    EXPECT_EQ(View.ClosedSaved, true);
    const std::string hive = ReadFile(HivePath());
    EXPECT_EQ(hive.find("\"Driver\""), std::string::npos);
    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 42);
    EXPECT_FLOAT_EQ(BallSettings.SizeFactor, 0.3f);
    EXPECT_FALSE(BallSettings.ShowShadow);
    EXPECT_TRUE(BallSettings.SoundOpen);
    EXPECT_EQ(BallSettings.BubbleStyle, 2);
    EXPECT_EQ(BallSettings.UseMask, 1);
    EXPECT_EQ(BallSettings.BackType, 2);
    EXPECT_FALSE(BallSettings.RandomPlay);
    EXPECT_EQ(BallSettings.BackInterval, 25);
    EXPECT_EQ(BallSettings.SoundType, 4);

    TFakeBallParaView again;
    TBallParaController second(again, BallSettings);
    second.FormCreate();
    again.SetItemIndex(cbDriver, 1);
    second.cbDriverChange();
    second.btnOkClick();
    LoadSettings();
    EXPECT_EQ(BallSettings.Driver, "GDI+");
}

TEST_F(TBallParaControllerTest, RegistryErrorIsShownAndTheDialogStaysOpen)
{
    Open();
    View.FileAnswers = {{"/p/kept.png"}};
    Controller->btnBallClick();
    std::ofstream(Home / "plain") << "x";
    setenv("XDG_CONFIG_HOME", (Home / "plain").c_str(), 1);
    Controller->btnOkClick();
    EXPECT_EQ(View.Errors, std::vector<std::string>{"Failed to create key software\\Tessaly"});
    EXPECT_FALSE(View.ClosedSaved);
    EXPECT_EQ(View.State(lstBalls).Entries, TStringList{"/p/kept.png"});

    // Once the registry can be written, the same dialog saves.
    setenv("XDG_CONFIG_HOME", Home.c_str(), 1);
    Controller->btnOkClick();
    EXPECT_EQ(View.ClosedSaved, true);
    LoadSettings();
    EXPECT_EQ(*BallSettings.BallPicList, TStringList{"/p/kept.png"});
}

TEST_F(TBallParaControllerTest, CancelWritesNothing)
{
    TStoredSettings stored;
    stored.BallsCount = 33;
    SaveSettings(stored);
    const std::string before = ReadFile(HivePath());

    Open();
    View.SetPosition(edBallNums, 7);
    View.FileAnswers = {{"/p/new.png"}};
    Controller->btnBallClick();
    View.SetItemIndex(cbDriver, 1);
    Controller->cbDriverChange();
    Controller->btnCancelClick();
    EXPECT_EQ(View.ClosedSaved, false);
    Controller->FormClose();
    EXPECT_EQ(ReadFile(HivePath()), before);
}

TEST_F(TBallParaControllerTest, PreviewErrorsAreShownAndThePathStays)
{
    Open();
    const std::string red = Picture("red.bmp", kRed);
    const std::string gif = (Home / "moving.gif").string();
    std::ofstream(gif) << "GIF89a";
    const std::string missing = (Home / "gone.bmp").string();
    View.FileAnswers = {{red}, {gif}, {missing}};
    Controller->btnBackClick();
    Controller->btnBackClick();
    ASSERT_EQ(View.Errors.size(), 1u);
    EXPECT_EQ(View.Errors[0], "Unknown picture file extension (.gif)");
    EXPECT_EQ(PreviewColor(Image1), kRed);   // the previous picture stays
    Controller->btnBackClick();
    ASSERT_EQ(View.Errors.size(), 2u);
    EXPECT_NE(View.Errors[1].find(missing), std::string::npos) << View.Errors[1];
    EXPECT_EQ(View.State(edtBack).Entries, (TStringList{red, gif, missing}));

    Controller->btnOkClick();
    LoadSettings();
    EXPECT_EQ(*BallSettings.BackPicList, (TStringList{red, gif, missing}));
}

TEST_F(TBallParaControllerTest, IconsAndMetafilesGoToThePlatformDecoder)
{
    Open();
    View.FileAnswers = {{"/p/APP.ICO"}, {"/p/chart.emf"}};
    Controller->btnBallClick();
    Controller->btnBallClick();

    // A platform without a decoder: reported as unreadable.
    View.UserSelects(lstBalls, 0);
    Controller->lstBallsClick();
    EXPECT_EQ(View.PlatformDecodeAsked, std::vector<std::string>{"ico"});
    ASSERT_EQ(View.Errors.size(), 1u);
    EXPECT_NE(View.Errors[0].find(".ico"), std::string::npos) << View.Errors[0];
    EXPECT_FALSE(View.State(Image2).Preview);

    // One with a decoder: its picture is shown.
    TDIB decoded;
    decoded.SetSize(2, 2, 32);
    decoded.Fill(kBlue);
    View.PlatformPicture = decoded;
    View.UserSelects(lstBalls, 1);
    Controller->lstBallsClick();
    EXPECT_EQ(View.PlatformDecodeAsked.back(), "emf");
    EXPECT_EQ(PreviewColor(Image2), kBlue);
    EXPECT_EQ(View.Errors.size(), 1u);

    // No selection clears the preview.
    View.UserSelects(lstBalls, kNoSelection);
    Controller->lstBallsClick();
    EXPECT_FALSE(View.State(Image2).Preview);
}

TEST_F(TBallParaControllerTest, CloseFreesThePictureListsOnceAndTheNoticeShowsOnce)
{
    WriteHive("this is not a registry file\n");
    testing::internal::CaptureStderr();
    Open();
    testing::internal::GetCapturedStderr();
    Controller->FormShow();
    Controller->FormShow();
    EXPECT_EQ(View.Notices.size(), 1u);

    ASSERT_TRUE(BallSettings.BackPicList);
    Controller->FormClose();
    EXPECT_FALSE(BallSettings.BackPicList);
    EXPECT_FALSE(BallSettings.BallPicList);
    BallSettings.BackPicList = std::make_unique<TStringList>();
    Controller->FormClose();   // a second close frees nothing again
    EXPECT_TRUE(BallSettings.BackPicList);
}

} // namespace
