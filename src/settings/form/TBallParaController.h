#pragma once
#include <optional>
#include <string>

#include "settings/BallParaRules.h"
#include "settings/TBallSettings.h"
#include "settings/form/BallParaForm.h"
#include "settings/form/IBallParaView.h"

// How a key pressed in a spin field acts on it.
enum class TSpinKey {
    LineUp,      // Up: +1
    LineDown,    // Down: -1
    PageUp,      // Page Up: +10
    PageDown,    // Page Down: -10
    Refused,     // a key that would edit the text: characters, Delete, Backspace, paste, cut
};

// The settings dialog's behaviour, shared by every toolkit's dialog: the
// handlers of the form's events. The view forwards each user event to the
// handler of the same name and shows what the handlers set; the controller
// owns the two picture lists, the renderer-changed flag and the picture
// dialog's multiple-selection switch for the dialog's life.
class TBallParaController {
public:
    // Reads the damaged-settings notice; the view is not touched before FormCreate.
    TBallParaController(IBallParaView& view, const TBallSettings& settings);

    TBallParaController(const TBallParaController&) = delete;
    TBallParaController& operator=(const TBallParaController&) = delete;

    // The dialog was created: fills the controls from the settings record.
    void FormCreate();
    // The dialog is on screen: tells the user, once, about a damaged settings file.
    void FormShow();
    // The dialog is closing, by any road: frees the picture lists of the
    // settings record. Running it twice frees nothing twice.
    void FormClose();

    // "保存": writes the settings and closes the dialog; a registry error is
    // shown in a message box and the dialog stays open.
    void btnOkClick();
    // "取消": closes the dialog; nothing is written.
    void btnCancelClick();
    // One of rbDefault, rbUser, rbDesk was clicked.
    void rbDefaultClick(TBallParaControl clicked);
    void btnBackClick();
    void btnDeleteBackClick();
    // The mouse moved over btnDeleteBack; with the left button held it
    // removes one more entry.
    void btnDeleteBackMouseMove(bool leftButtonDown);
    void Label14DblClick();
    void edtBackClick();
    void btnBallClick();
    void SpeedButton1Click();
    void lstBallsClick();
    void cbDriverChange();
    void tbBallSizeChange();

    // Spin fields (edBallNums, backInt): a step from the field's buttons or
    // a key, a key, and a mouse wheel turn (angle in eighths of a degree,
    // 120 a notch; steps by 10 with Ctrl held; true when it stepped).
    // Refused keys beep.
    void SpinStep(TBallParaControl field, int delta);
    void SpinKey(TBallParaControl field, TSpinKey key);
    bool SpinWheel(TBallParaControl field, int angleDelta, bool ctrlHeld);

    // What the controls hold now, as a save would read them.
    TBallParaValues ReadControls() const;

    bool DriverChanged() const { return mDriverChanged; }
    bool MultiSelect() const { return mMultiSelect; }
    const TStringList& BackPics() const { return mBackPics; }
    const TStringList& BallPics() const { return mBallPics; }

private:
    void ApplyBackListRule(int clickedTag);
    void AddPictures(TBallParaControl list, TStringList& entries, const TStringList& files);
    void DeleteEntry(TBallParaControl list, TStringList& entries, int index);
    void FitScrollWidth(TBallParaControl list, const TStringList& entries);
    void Preview(TBallParaControl list, const TStringList& entries, TBallParaControl image);
    TDIB LoadPreview(const std::string& path);

    IBallParaView& mView;
    const TBallSettings& mSettings;
    std::optional<std::string> mNotice;   // about a damaged settings file, until shown
    TStringList mBackPics;                // edtBack
    TStringList mBallPics;                // lstBalls
    int mBackExtent = 0;                  // scroll extents as last set
    int mBallExtent = 0;
    int mBallNumsWheel = 0;               // wheel angle not yet worth a step, per field
    int mBackIntWheel = 0;
    bool mDriverChanged = false;
    bool mMultiSelect = false;
    bool mClosed = false;
};
