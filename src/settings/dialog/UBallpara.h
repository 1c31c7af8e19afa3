#pragma once
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "settings/BallParaRules.h"
#include "settings/dialog/TOpenPictureDialog.h"

class QLabel;
class QListWidget;
class TDialogServices;
class TListBoxClick;

namespace Ui {
class TFBallPara;
}

// The settings dialog: shows the loaded settings record, edits its own
// controls and the two picture lists, and writes the registry on "保存".
class TFBallPara : public QDialog {
    Q_OBJECT
public:
    // Fills the controls from `settings`. Without services the real file
    // dialog and message boxes are used.
    explicit TFBallPara(const TBallSettings& settings, TDialogServices* services = nullptr,
                        QWidget* parent = nullptr);
    ~TFBallPara() override;

    // What the controls hold now.
    TBallParaValues ReadControls() const;

    bool DriverChanged = false;

public slots:
    void done(int result) override;

    void btnOkClick();
    void btnCancelClick();
    void rbDefaultClick();
    void btnBackClick();
    void btnDeleteBackClick();
    void btnDeleteBackMouseMove();
    void Label14DblClick();
    void edtBackClick();
    void btnBallClick();
    void SpeedButton1Click();
    void lstBallsClick();
    void cbDriverChange();
    void tbBallSizeChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const TBallSettings& settings);
    void FormClose();
    void FitScrollWidth(QListWidget* listBox);
    void ApplyBackListRule(int clickedTag);
    void Preview(QListWidget* listBox, QLabel* image);

    std::unique_ptr<Ui::TFBallPara> ui;
    std::unique_ptr<TDialogServices> mOwnServices;
    TDialogServices* mServices;
    TOpenPictureDialog OpenPictureDialog1;
    TListBoxClick* mBackClicks = nullptr;    // owned by their lists
    TListBoxClick* mBallClicks = nullptr;
    std::optional<std::string> mNotice;      // about a damaged settings file, until shown
    bool mClosed = false;
};

// The dialog while settings mode runs it.
extern TFBallPara* FBallPara;
