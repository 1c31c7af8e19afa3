#include "settings/form/TBallParaController.h"

#include <algorithm>
#include <stdexcept>

#include "pictures/PictureFile.h"
#include "settings/PictureFilter.h"
#include "settings/SettingsFileNotice.h"

namespace {

using enum TBallParaControl;

constexpr int kSmallStep = 1;
constexpr int kLargeStep = 10;
constexpr int kWheelNotch = 120;   // angle of one wheel notch
constexpr long long kMaxWheelNotches = 1000;

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

bool PlatformDecodes(const std::string& extension)
{
    return extension == "ico" || extension == "emf" || extension == "wmf";
}

int KeyStep(TSpinKey key)
{
    switch (key) {
    case TSpinKey::LineUp:
        return kSmallStep;
    case TSpinKey::LineDown:
        return -kSmallStep;
    case TSpinKey::PageUp:
        return kLargeStep;
    case TSpinKey::PageDown:
        return -kLargeStep;
    case TSpinKey::Refused:
        break;
    }
    return 0;
}

} // namespace

TBallParaController::TBallParaController(IBallParaView& view, const TBallSettings& settings)
    : mView(view)
    , mSettings(settings)
    , mNotice(SettingsFileNotice())
{
}

void TBallParaController::FormCreate()
{
    const TBallParaValues values = ValuesFromSettings(mSettings);
    mDriverChanged = false;

    const TBallParaControl backButton = values.BackTag == kTagUserBack      ? rbUser
                                        : values.BackTag == kTagDesktopBack ? rbDesk
                                                                            : rbDefault;
    mView.SetChecked(backButton, true);
    ApplyBackListRule(values.BackTag);

    AddPictures(edtBack, mBackPics, values.BackPics);
    AddPictures(lstBalls, mBallPics, values.BallPics);

    mView.SetPosition(edBallNums, values.BallsCount);
    mView.SetChecked(cbxShadow, values.ShowShadow);
    mView.SetChecked(cbAudio, values.SoundOpen);
    mView.SetPosition(tbBallSize, values.BallSize);
    const auto& drivers = FormControl(cbDriver).Items;
    const auto driver = std::find(drivers.begin(), drivers.end(), values.Driver);
    mView.SetItemIndex(cbDriver, driver == drivers.end() ? kNoSelection : int(driver - drivers.begin()));
    mView.SetItemIndex(cbMask, values.UseMask);
    mView.SetItemIndex(cbBubbleStyle, values.BubbleStyle);
    mView.SetItemIndex(cbSoundType, values.SoundType);
    mView.SetChecked(values.RandomPlay ? rbBackPlay1 : rbBackPlay2, true);
    mView.SetPosition(backInt, values.BackInterval);
    mView.SetCaption(kBallParaCaption);
}

void TBallParaController::FormShow()
{
    if (!mNotice)
        return;
    const std::string notice = std::move(*mNotice);
    mNotice.reset();
    mView.ShowNotice(notice);
}

void TBallParaController::FormClose()
{
    if (mClosed)
        return;
    mClosed = true;
    BallSettings.BallPicList.reset();
    BallSettings.BackPicList.reset();
}

TBallParaValues TBallParaController::ReadControls() const
{
    TBallParaValues values;
    values.BackTag = mView.Checked(rbDefault) ? kTagDefaultBack
                     : mView.Checked(rbDesk)  ? kTagDesktopBack
                                              : kTagUserBack;
    values.BackPics = mBackPics;
    values.BallPics = mBallPics;
    values.BallsCount = mView.Position(edBallNums);
    values.ShowShadow = mView.Checked(cbxShadow);
    values.SoundOpen = mView.Checked(cbAudio);
    values.BallSize = mView.Position(tbBallSize);
    const int driver = mView.ItemIndex(cbDriver);
    const auto& drivers = FormControl(cbDriver).Items;
    values.Driver = driver >= 0 && driver < int(drivers.size()) ? std::string(drivers[size_t(driver)]) : std::string();
    values.DriverChanged = mDriverChanged;
    values.UseMask = mView.ItemIndex(cbMask);
    values.BubbleStyle = mView.ItemIndex(cbBubbleStyle);
    values.SoundType = mView.ItemIndex(cbSoundType);
    values.RandomPlay = mView.Checked(rbBackPlay1);
    values.BackInterval = mView.Position(backInt);
    return values;
}

void TBallParaController::btnOkClick()
{
    try {
        SaveSettings(StoredFromValues(ReadControls()));
    } catch (const std::runtime_error& error) {
        // The values written before the failure stay written; the user keeps
        // the dialog and its contents to try again or cancel.
        mView.ShowError(error.what());
        return;
    }
    mView.Close(true);
}

void TBallParaController::btnCancelClick()
{
    mView.Close(false);
}

void TBallParaController::rbDefaultClick(TBallParaControl clicked)
{
    ApplyBackListRule(FormControl(clicked).Tag);
}

void TBallParaController::ApplyBackListRule(int clickedTag)
{
    const bool enabled = BackListEnabled(clickedTag);
    mView.SetEnabled(edtBack, enabled);
    mView.SetEnabled(btnBack, enabled);
}

void TBallParaController::btnBackClick()
{
    const TStringList chosen = mView.ChoosePictureFiles(kPictureFilter, mMultiSelect);
    if (chosen.empty())
        return;
    AddPictures(edtBack, mBackPics, FilesToAppend(chosen, mMultiSelect));
    mView.SelectListEntry(edtBack, int(mBackPics.size()) - 1);
    edtBackClick();
}

void TBallParaController::btnBallClick()
{
    const TStringList chosen = mView.ChoosePictureFiles(kPictureFilter, mMultiSelect);
    if (chosen.empty())
        return;
    AddPictures(lstBalls, mBallPics, FilesToAppend(chosen, false));
}

void TBallParaController::AddPictures(TBallParaControl list, TStringList& entries, const TStringList& files)
{
    entries.insert(entries.end(), files.begin(), files.end());
    mView.AddListEntries(list, files);
    FitScrollWidth(list, entries);
}

void TBallParaController::DeleteEntry(TBallParaControl list, TStringList& entries, int index)
{
    entries.erase(entries.begin() + index);
    mView.DeleteListEntry(list, index);
}

void TBallParaController::btnDeleteBackClick()
{
    const int row = mView.SelectedListEntry(edtBack);
    if (row < 0 || row >= int(mBackPics.size()))
        return;
    DeleteEntry(edtBack, mBackPics, row);
    mView.SelectListEntry(edtBack, SelectionAfterDelete(row, int(mBackPics.size())));
    FitScrollWidth(edtBack, mBackPics);
    edtBackClick();
}

void TBallParaController::btnDeleteBackMouseMove(bool leftButtonDown)
{
    if (leftButtonDown)
        btnDeleteBackClick();
}

void TBallParaController::Label14DblClick()
{
    mMultiSelect = true;
    btnBackClick();
}

void TBallParaController::SpeedButton1Click()
{
    const int row = mView.SelectedListEntry(lstBalls);
    if (row < 0 || row >= int(mBallPics.size()))
        return;
    DeleteEntry(lstBalls, mBallPics, row);
    mView.SelectListEntry(lstBalls, kNoSelection);
    FitScrollWidth(lstBalls, mBallPics);
}

void TBallParaController::edtBackClick()
{
    Preview(edtBack, mBackPics, Image1);
}

void TBallParaController::lstBallsClick()
{
    Preview(lstBalls, mBallPics, Image2);
}

void TBallParaController::Preview(TBallParaControl list, const TStringList& entries, TBallParaControl image)
{
    const int row = mView.SelectedListEntry(list);
    if (row < 0 || row >= int(entries.size())) {
        mView.ClearPreview(image);
        return;
    }
    try {
        mView.ShowPreview(image, LoadPreview(entries[size_t(row)]));
    } catch (const std::runtime_error& error) {
        // The path stays in the list; the preview keeps its previous picture.
        mView.ShowError(error.what());
    }
}

TDIB TBallParaController::LoadPreview(const std::string& path)
{
    const std::string extension = LowerCase(PictureExtension(path));
    if (PlatformDecodes(extension))
        if (std::optional<TDIB> picture = mView.DecodePlatformPicture(path, extension))
            return std::move(*picture);
    return LoadPictureFile(path);
}

void TBallParaController::cbDriverChange()
{
    mDriverChanged = true;
}

void TBallParaController::tbBallSizeChange()
{
    // The size is read from the slider when saving; moving it changes nothing else.
}

void TBallParaController::SpinStep(TBallParaControl field, int delta)
{
    const TFormControl& row = FormControl(field);
    mView.SetPosition(field, StepValue(mView.Position(field), delta, row.Min, row.Max));
}

void TBallParaController::SpinKey(TBallParaControl field, TSpinKey key)
{
    if (key == TSpinKey::Refused) {
        mView.Beep();
        return;
    }
    SpinStep(field, KeyStep(key));
}

bool TBallParaController::SpinWheel(TBallParaControl field, int angleDelta, bool ctrlHeld)
{
    int& remainder = field == backInt ? mBackIntWheel : mBallNumsWheel;
    const long long angle = static_cast<long long>(remainder) + angleDelta;
    const long long notches = angle / kWheelNotch;
    remainder = static_cast<int>(angle - notches * kWheelNotch);
    if (notches == 0)
        return false;
    // More notches than any field's range has steps all end at its edge.
    const int steps = static_cast<int>(std::clamp<long long>(notches, -kMaxWheelNotches, kMaxWheelNotches));
    SpinStep(field, steps * (ctrlHeld ? kLargeStep : kSmallStep));
    return true;
}

void TBallParaController::FitScrollWidth(TBallParaControl list, const TStringList& entries)
{
    std::vector<int> widths;
    widths.reserve(entries.size());
    for (const std::string& entry : entries)
        widths.push_back(mView.ListTextWidth(list, entry));
    int& extent = list == edtBack ? mBackExtent : mBallExtent;
    extent = FitScrollExtent(widths, mView.ListWidth(list), extent);
    mView.SetListScrollExtent(list, extent);
}
